// LifeCycle::KeyTask: what the set and delete tasks of single configuration keys share: the
// key they change, and how the configuration manager's refusals become the errors a client
// sees (host state, unknown key, store failures). SetTask and DeleteTask make the change.
//
// Owned like every ConfigManagerTaskImpl; Run runs on the scheduler's worker thread.
#pragma once

#include <string>

#include "generated/Com/Orvane/Tarn/Configuration/Components/Groups/KeysSvc/UpdateStatus.hpp"
#include "platform/host/configmanager/ErrorInfo.hpp"
#include "tasks/ConfigManagerTaskImpl.hpp"

namespace LifeCycle {

class KeyTask : public ConfigManagerTaskImpl {
public:
    struct Key {
        std::string component;
        std::string group;
        std::string key;
    };

    void Run() final;

protected:
    // `failureLine` logs a failure (with "Run" and the reason); `configErrorId` is the error
    // of a change the configuration manager could not make.
    KeyTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext, Key key,
            const char* failureLine, const char* configErrorId);

    // Makes the change; exceptions of the configuration manager are turned into errors by Run.
    virtual void Change() = 0;

    const Key& GetKey() const { return key_; }
    // Records the change's outcome.
    void Finish(Com::Orvane::Tarn::Configuration::Components::Groups::KeysSvc::UpdateStatus status);
    // Records a change the configuration manager refused with `info`.
    void FailWith(const TarnConfigManager::ErrorInfo& info);

private:
    void FailWith(const Com::Orvane::Lumo::Std::Errors::StandardError& kind, const char* errorId,
                  const std::exception& error);

    const Key key_;
    const char* const failureLine_;
    const char* const configErrorId_;
    static constexpr const char* kHostNotInMmId =
        "com.orvane.tarn.hostpref_daemon.configuration.apply.host_not_in_mm.error";
    static constexpr const char* kHostNotInNbmId =
        "com.orvane.tarn.hostpref_daemon.configuration.apply.host_not_in_nbm.error";
    static constexpr const char* kInvalidArgumentId =
        "com.orvane.tarn.configuration.components.groups.keys.invalidargument.error";
};

}  // namespace LifeCycle
