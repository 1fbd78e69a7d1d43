// LifeCycle::SetTask: sets one configuration key to a value given as JSON text; its result is
// the keys service's UpdateResult.
#pragma once

#include "tasks/KeyTask.hpp"

namespace LifeCycle {

class SetTask : public KeyTask {
public:
    SetTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext, Key key,
            std::string value);

protected:
    void Change() override;

private:
    const std::string value_;
    static constexpr const char* kValidationErrorId =
        "com.orvane.tarn.configuration.components.groups.keys.set.validation.error";
    static constexpr const char* kSetErrorId =
        "com.orvane.tarn.configuration.components.groups.keys.set.config.error";
};

}  // namespace LifeCycle
