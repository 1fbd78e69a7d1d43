#include "software/HostsSettingsService.hpp"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/host/CSLogger.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/host/TolkCtl.hpp"
#include "platform/host/UUID.hpp"
#include "tasks/TaskDB.hpp"
#include "tasks/TaskPaths.hpp"
#include "util/AccessLock.hpp"
#include "util/FileHelpers.hpp"
#include "util/NativeJson.hpp"

namespace Com::Orvane::Tarn::Hosts::SettingsSvc {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
using LifeCycle::ServiceErrors;

constexpr const char* kApplyTag = "Set";
constexpr const char* kDocumentDir = "/var/orvane/lifecycle/";
constexpr int kCleanupIntervalSeconds = 7200;
constexpr int kApplyTaskStartProgress = 5;

// A random task id, or "" when none could be made.
std::string NewApplyTaskId()
{
    char* text = UUID_CreateRandom();
    std::string id;
    if (text != nullptr && UUID_PackText(text, std::strlen(text))) {
        id = text;
    }
    std::free(text);
    return id;
}

// The documents of one apply and the command line that names them.
struct ApplyDocuments {
    std::string depots;
    std::string configuration;
    std::string image;
    std::string command;

    explicit ApplyDocuments(const std::string& taskId)
        : depots(std::string(kDocumentDir) + "depots-" + taskId),
          configuration(std::string(kDocumentDir) + "config-" + taskId),
          image(std::string(kDocumentDir) + "image-" + taskId),
          command(
              "/usr/lib/orvane/lifecycle/bin/lifecyclectl.py ++group=hostprefd-task-forks,mem=groupMax,stats "
              " "
              "--apply --task-id " +
              taskId + " --cleanup-interval " + std::to_string(kCleanupIntervalSeconds))
    {
    }

    // Writes `json` to `path` and names it on the command line after `option`.
    void Add(const char* option, const std::string& path, const std::string& json)
    {
        LifeCycle::WriteToFile(path, json);
        command += std::string(" ") + option + " " + path;
    }

    void Remove() const { LifeCycle::RemoveFiles({depots, configuration, image}); }
};

// Claims the host for `taskId`: under the access lock, writes the pid file unless another
// apply holds it. False when the host is taken (a lock or write failure is logged here).
bool ClaimApply(const std::string& taskId)
{
    const std::string pidFile = AsyncServiceImpl::kApplyPidFile;
    try {
        // Held across the test and the write, which is what another applier races.
        LifeCycle::AccessLock lock(HostRoot::Path(pidFile), 0);
        if (access(HostRoot::Path(pidFile).c_str(), F_OK) == 0) {
            return false;
        }
        try {
            LifeCycle::WriteToFile(pidFile, "PRECURSOR: " + taskId);
        } catch (const std::exception&) {
            CSLogger::Log(0, "[%s]: Failed to write to the pid file", kApplyTag);
            return false;
        }
        return true;
    } catch (const LifeCycle::AccessLockError&) {
        CSLogger::Log(0, "[%s]: Lock contention; another task in progress", kApplyTag);
        return false;
    }
}

}  // namespace

void AsyncServiceImpl::Apply(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                             std::optional<std::string> /*host*/,
                             std::optional<std::map<std::string, ::Lumo::Data::DataValuePtr>> configuration,
                             std::optional<::Com::Orvane::Tarn::HostSettings::SoftwareSpec> image,
                             std::optional<std::vector<::Com::Orvane::Tarn::HostSettings::DepotSpec>> depots,
                             ::Lumo::Core::AsyncResult<std::string> result)
{
    if (!configuration && !image) {
        return result.Fail(ServiceErrors::Make(Errors::InvalidArgument, "com.orvane.tarn.apply.no.input"));
    }
    if (image && (!depots || depots->empty())) {
        return result.Fail(
            ServiceErrors::Make(Errors::InvalidArgument, "com.orvane.tarn.apply.invalid.depots"));
    }
    const std::string taskId = NewApplyTaskId();
    const auto unknownError = [] {
        return ServiceErrors::Make(Errors::InternalServerError, "com.orvane.tarn.apply.unknown.error");
    };
    if (taskId.empty()) {
        return result.Fail(unknownError());
    }
    ApplyDocuments documents(taskId);
    bool claimed = false;
    try {
        if (depots) documents.Add("--depot-doc", documents.depots, LifeCycle::NativeJson::Encode(*depots));
        if (configuration) {
            documents.Add("--config-doc", documents.configuration,
                          LifeCycle::NativeJson::Encode(*configuration));
        }
        if (image) documents.Add("--image-doc", documents.image, LifeCycle::NativeJson::Encode(*image));
        claimed = ClaimApply(taskId);
        if (!claimed) {
            CSLogger::Log(0, "[%s]: Another apply task possibly in progress.", kApplyTag);
            documents.Remove();
            return result.Fail(ServiceErrors::Make(Errors::InternalServerError,
                                                   "com.orvane.tarn.lifecycle.task.contention"));
        }
        CSLogger::Log(2, "[%s]: Creating task: %s", kApplyTag, taskId.c_str());
        LifeCycle::TaskDB(LifeCycle::kTaskStatusPath, false)
            .Manager()
            ->CreateTask(taskId, kApplyTaskStartProgress);
    } catch (const std::exception& error) {
        CSLogger::Log(0, "[%s]: %s", kApplyTag, error.what());
        documents.Remove();
        // Only our own claim is released; a pid file we did not write belongs to another apply.
        if (claimed) LifeCycle::RemoveFiles({kApplyPidFile});
        return result.Fail(unknownError());
    }
    CSLogger::Log(2, "[%s]: Running task: %s", kApplyTag, documents.command.c_str());
    try {
        // Started once; from here on the pid file and the documents are the tool's.
        TolkCtl::Util::TolkCtl_Daemon(documents.command, false, false, true, true);
    } catch (const std::exception& error) {
        CSLogger::Log(0, "[%s] Failed to exec updater: %s", kApplyTag, error.what());
        return result.Fail(unknownError());
    }
    result.Succeed(taskId);
}

}  // namespace Com::Orvane::Tarn::Hosts::SettingsSvc
