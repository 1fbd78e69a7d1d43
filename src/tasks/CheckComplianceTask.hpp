// LifeCycle::CheckComplianceTask: compares the host's configuration with a desired document;
// its result is a CheckComplianceResult listing how they differ.
#pragma once

#include "tasks/AssessmentTask.hpp"

namespace LifeCycle {

class CheckComplianceTask : public AssessmentTask {
public:
    CheckComplianceTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext,
                        std::shared_ptr<const Input> input);

protected:
    Lumo::Data::DataValuePtr InvalidResult(ValidationErrors errors) override;
    void Operate(const rapidjson::Value& desired, const std::string& context) override;

private:
    static constexpr int kValidationEnd = 30;
    static constexpr const char* kComplianceErrorId =
        "com.orvane.tarn.hostpref_daemon.configuration.checkcompliance.error";
};

}  // namespace LifeCycle
