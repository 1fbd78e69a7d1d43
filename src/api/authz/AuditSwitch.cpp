#include "api/authz/AuditSwitch.hpp"

#include <sys/stat.h>

#include <atomic>

#include "platform/host/HostRoot.hpp"

namespace Api {

namespace {

std::atomic<int> auditSwitch{AuditSwitch::kUndecided};

}  // namespace

AuditSwitch::State AuditSwitch::Decide()
{
    // Any kind of entry counts, even a dangling link: the marker is its name, not its content.
    struct stat st {};
    int wanted = ::lstat(HostRoot::Path(kMarkerPath).c_str(), &st) == 0 ? kOn : kOff;
    int expected = kUndecided;
    auditSwitch.compare_exchange_strong(expected, wanted);
    return Current();
}

AuditSwitch::State AuditSwitch::Current() { return static_cast<State>(auditSwitch.load()); }

}  // namespace Api
