// LifeCycle::ImpactTask: analyses what applying a desired document would take of the host;
// its result is an ImpactResult.
#pragma once

#include "tasks/AssessmentTask.hpp"

namespace LifeCycle {

class ImpactTask : public AssessmentTask {
public:
    ImpactTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext,
               std::shared_ptr<const Input> input);

protected:
    Lumo::Data::DataValuePtr InvalidResult(ValidationErrors errors) override;
    void Operate(const rapidjson::Value& desired, const std::string& context) override;

private:
    static constexpr int kValidationEnd = 30;
    static constexpr const char* kImpactErrorId =
        "com.orvane.tarn.hostpref_daemon.configuration.impact.error";
};

}  // namespace LifeCycle
