// LifeCycle::ValidateTask: validates a desired document; its result is a ValidationResult
// listing the settings the host refuses.
#pragma once

#include "tasks/AssessmentTask.hpp"

namespace LifeCycle {

class ValidateTask : public AssessmentTask {
public:
    ValidateTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext,
                 std::shared_ptr<const Input> input);

protected:
    Lumo::Data::DataValuePtr InvalidResult(ValidationErrors errors) override;
    void Operate(const rapidjson::Value& desired, const std::string& context) override;

private:
    static constexpr int kValidationEnd = 90;
};

}  // namespace LifeCycle
