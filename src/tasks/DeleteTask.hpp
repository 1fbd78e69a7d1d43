// LifeCycle::DeleteTask: deletes one configuration key from the host's configuration, so that
// its default applies again; its result is the keys service's UpdateResult.
#pragma once

#include "tasks/KeyTask.hpp"

namespace LifeCycle {

class DeleteTask : public KeyTask {
public:
    DeleteTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext,
               Key key);

protected:
    void Change() override;

private:
    static constexpr const char* kValidationErrorId =
        "com.orvane.tarn.configuration.components.groups.keys.delete.validation.error";
    static constexpr const char* kDeleteErrorId =
        "com.orvane.tarn.configuration.components.groups.keys.delete.config.error";
};

}  // namespace LifeCycle
