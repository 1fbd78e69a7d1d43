#include "platform/host/TolkuserCompat.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/host/ChildProcess.hpp"
#include "platform/host/CommandLine.hpp"
#include "platform/host/LaunchPlan.hpp"

struct TolkuserCompat_SpawnAttrs {
    std::string group;
    long memoryLimitMb = 0;
    unsigned flags = 0;
};

namespace {

constexpr unsigned kKnownSpawnFlags = TOLKUSER_SPAWN_NEW_PROCESS_GROUP | TOLKUSER_SPAWN_INHERIT_STDERR;

// The plan of `command` with the attributes filled in where the line gave no direction.
LaunchPlan PlanWithAttrs(const TolkuserCompat_SpawnAttrs& attrs, const char* command)
{
    LaunchPlan plan = LaunchPlan::Parse(command);
    if (plan.group.empty()) {
        plan.group = attrs.group;
    }
    if (plan.memoryLimitMb == 0) {
        plan.memoryLimitMb = attrs.memoryLimitMb;
    }
    return plan;
}

}  // namespace

TolkuserStatus TolkuserCompat_SpawnAttrInit(TolkuserCompat_SpawnAttrs** attrs)
{
    *attrs = new (std::nothrow) TolkuserCompat_SpawnAttrs();
    return *attrs != nullptr ? TOLKUSER_OK : ENOMEM;
}

void TolkuserCompat_SpawnAttrDestroy(TolkuserCompat_SpawnAttrs* attrs) { delete attrs; }

TolkuserStatus TolkuserCompat_SpawnAttrSetRP(TolkuserCompat_SpawnAttrs* attrs, const char* group)
{
    if (group == nullptr || !LaunchPlan::IsValidGroupName(group)) {
        return EINVAL;
    }
    attrs->group = group;
    return TOLKUSER_OK;
}

TolkuserStatus TolkuserCompat_SpawnAttrSetMemMB(TolkuserCompat_SpawnAttrs* attrs, int megabytes)
{
    if (megabytes <= 0) {
        return EINVAL;
    }
    attrs->memoryLimitMb = megabytes;
    return TOLKUSER_OK;
}

TolkuserStatus TolkuserCompat_SpawnAttrSetFlags(TolkuserCompat_SpawnAttrs* attrs, unsigned flags)
{
    if ((flags & ~kKnownSpawnFlags) != 0) {
        return EINVAL;
    }
    attrs->flags = flags;
    return TOLKUSER_OK;
}

TolkuserStatus TolkuserCompat_POpen_SpawnAttrs(const TolkuserCompat_SpawnAttrs* attrs, const char* command,
                                               const char* mode, TolkuserCompat_Pipe* pipe)
{
    const bool writing = std::strcmp(mode, "w") == 0;
    if (!writing && std::strcmp(mode, "r") != 0) {
        return EINVAL;
    }
    LaunchPlan plan;
    try {
        plan = PlanWithAttrs(*attrs, command);
    } catch (const CommandLine::SyntaxError&) {
        return EINVAL;
    } catch (const std::invalid_argument&) {
        return EINVAL;
    }
    int ends[2];  // ends[0] reads, ends[1] writes
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return errno;
    }
    // The child gets the end the caller does not keep.
    const int childEnd = writing ? ends[0] : ends[1];
    const int callerEnd = writing ? ends[1] : ends[0];
    ChildProcess::Setup setup;
    (writing ? setup.stdinFd : setup.stdoutFd) = childEnd;
    setup.stderrFd =
        (attrs->flags & TOLKUSER_SPAWN_INHERIT_STDERR) != 0 ? ChildProcess::kInherit : ChildProcess::kDevNull;
    setup.newProcessGroup = (attrs->flags & TOLKUSER_SPAWN_NEW_PROCESS_GROUP) != 0;
    setup.groupProcsFile = ChildProcess::GroupProcsFile(plan.group);
    try {
        pipe->pid = ChildProcess::Spawn(plan, setup);
    } catch (const std::system_error& error) {
        close(ends[0]);
        close(ends[1]);
        return error.code().value();
    }
    close(childEnd);
    pipe->fd = callerEnd;
    return TOLKUSER_OK;
}

TolkuserStatus TolkuserCompat_PClose(TolkuserCompat_Pipe* pipe, int* waitStatus)
{
    if (pipe->fd >= 0) {
        close(pipe->fd);
        pipe->fd = -1;
    }
    const int status = ChildProcess::Wait(pipe->pid);
    if (status < 0) {
        return errno;
    }
    pipe->pid = -1;
    *waitStatus = status;
    return TOLKUSER_OK;
}

const char* TolkuserStatus_CodeToString(TolkuserStatus status, char* buffer, size_t size)
{
    if (size == 0) {
        return buffer;
    }
    // The GNU strerror_r may return a static text instead of filling the buffer.
    const char* text = strerror_r(status, buffer, size);
    if (text != buffer) {
        std::strncpy(buffer, text, size - 1);
        buffer[size - 1] = '\0';
    }
    return buffer;
}
