// LifeCycle::CheckApplyTask: assesses a desired document for an apply and keeps the
// assessment for it (CheckApplySlot); its result is a CheckApplyResult with the document id
// the apply must name.
#pragma once

#include "tasks/AssessmentTask.hpp"

namespace LifeCycle {

class CheckApplyTask : public AssessmentTask {
public:
    CheckApplyTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext,
                   std::shared_ptr<const Input> input);

protected:
    Lumo::Data::DataValuePtr InvalidResult(ValidationErrors errors) override;
    void Operate(const rapidjson::Value& desired, const std::string& context) override;

private:
    // The assessment, or null when it failed and the error is recorded.
    std::shared_ptr<const TarnConfigManager::CheckApplyResult> Assess(const rapidjson::Value& desired,
                                                                      const std::string& context);
    void FailWith(const char* line, const std::exception& error);
    static constexpr int kValidationEnd = 30;
    static constexpr int kCheckApplyEnd = 80;
    static constexpr const char* kCheckApplyErrorId =
        "com.orvane.tarn.hostpref_daemon.configuration.check_apply.error";
};

}  // namespace LifeCycle
