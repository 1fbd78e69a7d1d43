// LifeCycle::ApplyTask: applies the document that the last check-apply assessed, named by its
// document id; its result is an ApplyResult.
//
// Owned like every ConfigManagerTaskImpl; Run runs on the scheduler's worker thread.
#pragma once

#include "tasks/ConfigManagerTaskImpl.hpp"

namespace LifeCycle {

class ApplyTask : public ConfigManagerTaskImpl {
public:
    ApplyTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext,
              std::string documentId);

    void Run() override;

private:
    void FailWith(const char* errorId, const std::exception& error);

    const std::string documentId_;
    static constexpr const char* kInvalidSpecIdId =
        "com.orvane.tarn.hostpref_daemon.configuration.apply.invalid_specid.error";
    static constexpr const char* kInvalidImpactId =
        "com.orvane.tarn.hostpref_daemon.configuration.apply.invalid_impact.error";
    static constexpr const char* kHostNotInMmId =
        "com.orvane.tarn.hostpref_daemon.configuration.apply.host_not_in_mm.error";
    static constexpr const char* kGenericId =
        "com.orvane.tarn.hostpref_daemon.configuration.apply.generic.error";
};

}  // namespace LifeCycle
