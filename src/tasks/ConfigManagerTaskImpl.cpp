#include "tasks/ConfigManagerTaskImpl.hpp"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "api/authz/AuditContext.hpp"
#include "translator/Translator.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"
#include "tasks/ConfigStoreErrorTable.hpp"
#include "tasks/TaskHandleImpl.hpp"
#include "tasks/TaskPaths.hpp"

namespace LifeCycle {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;

// The progress a started task shows, and the value its start is recorded with.
constexpr int kStartProgress = 5;

}  // namespace

ConfigManagerTaskImpl::ConfigManagerTaskImpl(std::string name, std::string taskId,
                                             std::shared_ptr<Api::AuditContext> auditContext)
    : name_(std::move(name)),
      taskId_(std::move(taskId)),
      auditContext_(std::move(auditContext)),
      db_(kTaskStatusPath, false)
{
    if (auditContext_ != nullptr) {
        auditContext_->SetAuditEntry(Api::AuditContext::kMuteKey, "true");
    }
}

ConfigManagerTaskImpl::~ConfigManagerTaskImpl() { RemoveTrackingFile(); }

void ConfigManagerTaskImpl::PreRun()
{
    db_.Manager()->StartTask(taskId_, kStartProgress);
    db_.Manager()->SetProgress(taskId_, kStartProgress, "");
    CSLogger::Log(2, "ConfigManagerTask[%s]: preRun completed.", GetName().c_str());
}

void ConfigManagerTaskImpl::SetError(const std::exception& error)
{
    error_ = MakeError(Errors::InternalServerError, kUnhandledErrorId, {error.what()});
}

void ConfigManagerTaskImpl::PostRun()
{
    try {
        if (error_ == nullptr) {
            std::optional<std::string> resultJson = result_ != nullptr ? Serialize(*result_) : std::string();
            if (resultJson) {
                WriteSucceeded(*resultJson);
                return;
            }
            error_ = MakeError(Errors::InternalServerError, kResultErrorId);
        }
        WriteFailed();
    } catch (const std::exception& error) {
        CSLogger::Log(0, "ConfigManagerTask[%s]: postRun failed: %s", GetName().c_str(), error.what());
    }
}

void ConfigManagerTaskImpl::WriteSucceeded(const std::string& resultJson)
{
    db_.Manager()->SetSucceeded(taskId_, resultJson);
    CSLogger::Log(2, "ConfigManagerTask[%s]: postRun completed.", GetName().c_str());
    CompleteAudit(true);
}

void ConfigManagerTaskImpl::WriteFailed()
{
    // Error values are built by this class and always encode.
    const std::string errorJson = Lumo::Protocol::Json::TaggedJsonCodec::Encode(*error_);
    std::optional<std::string> resultJson = result_ != nullptr ? Serialize(*result_) : std::nullopt;
    if (resultJson) {
        db_.Manager()->SetFailed(taskId_, *resultJson, errorJson);
    } else if (result_ != nullptr) {
        db_.Manager()->SetFailed(taskId_, errorJson);
    } else {
        db_.Manager()->SetFailed(taskId_, "", errorJson);
    }
    CompleteAudit(false);
}

void ConfigManagerTaskImpl::CompleteAudit(bool success)
{
    if (auditContext_ != nullptr) {
        auditContext_->Complete(success);
    }
}

bool ConfigManagerTaskImpl::IsAbortRequested() const { return abortRequested_.load(); }

void ConfigManagerTaskImpl::Abort() { abortRequested_.store(true); }

void ConfigManagerTaskImpl::MarkAborted()
{
    try {
        const auto aborted = MakeError(Errors::InternalServerError, kAbortedErrorId);
        db_.Manager()->SetFailed(taskId_, Lumo::Protocol::Json::TaggedJsonCodec::Encode(*aborted));
    } catch (const std::exception& error) {
        CSLogger::Log(0, "ConfigManagerTask[%s]: abort failed. %s", GetName().c_str(), error.what());
    }
}

std::string ConfigManagerTaskImpl::GetName() const { return name_ + ":" + taskId_; }

std::string ConfigManagerTaskImpl::GetTaskId() const { return taskId_; }

Lumo::Data::ErrorValuePtr ConfigManagerTaskImpl::MakeError(const Errors::StandardError& kind,
                                                           const std::string& id,
                                                           std::vector<std::string> args)
{
    return Lumo::Data::ErrorFactory::GetError(
        kind, {Lumo::BaseMessage(id, Translator::Lookup(id, "en_US"), std::move(args))},
        Translator::MakeRequestLocalizer());
}

Lumo::Data::ErrorValuePtr ConfigManagerTaskImpl::MakeError(const TarnConfigStore::ConfigStoreException& error)
{
    return Lumo::Data::ErrorFactory::GetError(Errors::InternalServerError,
                                              {ConfigStoreErrorTable::MessageOf(error)},
                                              Translator::MakeRequestLocalizer());
}

std::optional<std::string> ConfigManagerTaskImpl::Serialize(const Lumo::Data::DataValue& value)
{
    std::string json = Lumo::Protocol::Json::TaggedJsonCodec::Encode(value);
    // The tasks service decodes what is stored here; a value it would refuse (nested too
    // deep) is no result a client could ever see.
    if (!Lumo::Protocol::Json::TaggedJsonCodec::Decode(json).Ok()) {
        return std::nullopt;
    }
    return json;
}

void ConfigManagerTaskImpl::SetProgress(int percent) { db_.Manager()->SetProgress(taskId_, percent, ""); }

std::shared_ptr<TarnConfigManager::TaskHandle> ConfigManagerTaskImpl::MakeTaskHandle(int start, int end)
{
    return TaskHandleImpl::MakeTaskHandle(shared_from_this(), start, end);
}

void ConfigManagerTaskImpl::RemoveTrackingFile() const
{
    const std::string path = HostRoot::Path(kTaskTrackingFile);
    if (std::remove(path.c_str()) == 0) {
        CSLogger::Log(2, "ConfigManagerTask[%s]: Cleaned up task tracking file %s", GetName().c_str(),
                      kTaskTrackingFile);
    } else {
        const std::string reason = std::error_code(errno, std::generic_category()).message();
        CSLogger::Log(0, "ConfigManagerTask[%s]: Failed to cleanup tracking file=%s, errno=%s",
                      GetName().c_str(), kTaskTrackingFile, reason.c_str());
    }
}

}  // namespace LifeCycle
