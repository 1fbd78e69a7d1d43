#include "tasks/TaskStoreRecovery.hpp"

#include "platform/host/CSLogger.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"
#include "tasks/ConfigManagerTaskImpl.hpp"

namespace LifeCycle {

void TaskStoreRecovery::Recover(TaskDB& db)
{
    try {
        const std::string integrity = db.Manager()->CheckIntegrity();
        CSLogger::Log(integrity == "ok" ? 2 : 0, "Task store integrity check: %s", integrity.c_str());
        const auto restarted = ConfigManagerTaskImpl::MakeError(Com::Orvane::Lumo::Std::Errors::InternalServerError,
                                                                kRestartedErrorId);
        for (const std::string& id : db.Manager()->FailUnfinished(::TaskDB::TaskManager::kDaemonRunner,
                                                                  Lumo::Protocol::Json::TaggedJsonCodec::Encode(
                                                                      *restarted))) {
            CSLogger::Log(1, "Task %s did not end before the daemon restarted; marked failed", id.c_str());
        }
    } catch (const std::exception& error) {
        CSLogger::Log(0, "Task store recovery failed: %s", error.what());
    }
}

}  // namespace LifeCycle
