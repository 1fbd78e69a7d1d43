#include "tasks/KeyTask.hpp"

#include "generated/Com/Orvane/Tarn/Configuration/Components/Groups/KeysSvc/UpdateResult.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/host/configmanager/ConfigManagerExceptions.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"

namespace LifeCycle {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
namespace Keys = Com::Orvane::Tarn::Configuration::Components::Groups::KeysSvc;

}  // namespace

KeyTask::KeyTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext,
                 Key key, const char* failureLine, const char* configErrorId)
    : ConfigManagerTaskImpl(std::move(name), std::move(taskId), std::move(auditContext)),
      key_(std::move(key)),
      failureLine_(failureLine),
      configErrorId_(configErrorId)
{
}

void KeyTask::Run()
{
    CSLogger::Log(2, "ConfigManagerTask[%s]: Run started.", GetName().c_str());
    try {
        Change();
    } catch (const TarnConfigManager::HostNotInMM& error) {
        FailWith(Errors::NotAllowedInCurrentState, kHostNotInMmId, error);
    } catch (const TarnConfigManager::HostNotInNBM& error) {
        FailWith(Errors::NotAllowedInCurrentState, kHostNotInNbmId, error);
    } catch (const TarnConfigManager::InvalidArgumentException& error) {
        FailWith(Errors::InvalidArgument, kInvalidArgumentId, error);
    } catch (const TarnConfigStore::ConfigStoreException& error) {
        SetErrorValue(MakeError(error));
    } catch (const std::exception& error) {
        FailWith(Errors::InternalServerError, configErrorId_, error);
    }
}

void KeyTask::Finish(Keys::UpdateStatus status)
{
    SetResult(Lumo::Bindings::NativeToValueAdapter::Adapt(Keys::UpdateResult{status}));
    CSLogger::Log(2, "ConfigManagerTask[%s]: Run completed.", GetName().c_str());
}

void KeyTask::FailWith(const TarnConfigManager::ErrorInfo& info)
{
    CSLogger::Log(0, failureLine_, "Run", info.ToJson().c_str());
    SetErrorValue(MakeError(Errors::InternalServerError, configErrorId_));
}

void KeyTask::FailWith(const Errors::StandardError& kind, const char* errorId, const std::exception& error)
{
    CSLogger::Log(0, failureLine_, "Run", error.what());
    SetErrorValue(MakeError(kind, errorId));
}

}  // namespace LifeCycle
