#include "tasks/CheckApplySlot.hpp"

#include <mutex>

namespace LifeCycle {

namespace {

struct KeptCheckApply {
    std::mutex mutex;
    CheckApplySlot::Result result;  // guarded by mutex
};

KeptCheckApply& Kept()
{
    static KeptCheckApply kept;
    return kept;
}

}  // namespace

void CheckApplySlot::Keep(Result result)
{
    std::lock_guard lock(Kept().mutex);
    Kept().result = std::move(result);
}

CheckApplySlot::Result CheckApplySlot::Take(const std::string& documentId)
{
    std::lock_guard lock(Kept().mutex);
    Result taken = std::move(Kept().result);
    Kept().result = nullptr;
    return taken != nullptr && taken->documentId == documentId ? taken : nullptr;
}

}  // namespace LifeCycle
