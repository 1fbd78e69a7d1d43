// LifeCycle::CheckApplySlot: the one assessment that the last check-apply kept for the apply
// that follows it. An apply takes it when the ids match; either way the slot is emptied.
//
// Process-wide; thread-safe (tasks run one at a time, but the slot outlives them).
#pragma once

#include <memory>
#include <string>

#include "platform/host/configmanager/ConfigManager.hpp"

namespace LifeCycle {

class CheckApplySlot {
public:
    using Result = std::shared_ptr<const TarnConfigManager::CheckApplyResult>;

    // Keeps `result`, replacing what was kept.
    static void Keep(Result result);
    // The kept result if its document id is `documentId`, else null; the slot is empty after.
    static Result Take(const std::string& documentId);
};

}  // namespace LifeCycle
