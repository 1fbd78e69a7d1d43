// TolkuserCompat: the host's spawn interface for short-lived commands whose standard input or
// output the caller talks to through a pipe (a popen without a shell), with spawn attributes
// for the resource group, the memory limit and a few process flags.
//
// Statuses are errno values (0 for success), so TolkuserStatus_CodeToString gives the C
// library's text. An attribute object belongs to its creator; a pipe handle to the caller
// that opened it, until TolkuserCompat_PClose. The calls are thread-safe.
#pragma once

#include <sys/types.h>

#include <cstddef>

using TolkuserStatus = int;

inline constexpr TolkuserStatus TOLKUSER_OK = 0;

// Spawn flags.
inline constexpr unsigned TOLKUSER_SPAWN_NEW_PROCESS_GROUP = 0x100;  // the child leads its own group
inline constexpr unsigned TOLKUSER_SPAWN_INHERIT_STDERR = 0x200;     // else its stderr is /dev/null

struct TolkuserCompat_SpawnAttrs;

// An open command: the caller's end of its pipe and the process behind it.
struct TolkuserCompat_Pipe {
    int fd = -1;
    pid_t pid = -1;
};

// A new attribute object: no group, no memory limit, no flags.
TolkuserStatus TolkuserCompat_SpawnAttrInit(TolkuserCompat_SpawnAttrs** attrs);
void TolkuserCompat_SpawnAttrDestroy(TolkuserCompat_SpawnAttrs* attrs);
// The resource group; EINVAL for a name that is not one plain path component.
TolkuserStatus TolkuserCompat_SpawnAttrSetRP(TolkuserCompat_SpawnAttrs* attrs, const char* group);
// The address-space limit in MB; EINVAL unless positive.
TolkuserStatus TolkuserCompat_SpawnAttrSetMemMB(TolkuserCompat_SpawnAttrs* attrs, int megabytes);
// The TOLKUSER_SPAWN_* flags; EINVAL for an unknown bit.
TolkuserStatus TolkuserCompat_SpawnAttrSetFlags(TolkuserCompat_SpawnAttrs* attrs, unsigned flags);

// Starts `command` with `attrs` (directions of a "++" word on the line take precedence) and
// connects its standard output ("r") or input ("w") to `pipe->fd`; the other one is
// /dev/null. On success the command runs; otherwise the status says why (ENOENT for a missing
// program, EINVAL for a line that cannot be read, ...) and `pipe` is untouched.
TolkuserStatus TolkuserCompat_POpen_SpawnAttrs(const TolkuserCompat_SpawnAttrs* attrs, const char* command,
                                               const char* mode, TolkuserCompat_Pipe* pipe);

// Closes the pipe, waits for the command and stores its raw wait status. A failed wait
// returns its errno and leaves `waitStatus` alone.
TolkuserStatus TolkuserCompat_PClose(TolkuserCompat_Pipe* pipe, int* waitStatus);

// The text of `status` in `buffer` (cut to `size`); returns `buffer`.
const char* TolkuserStatus_CodeToString(TolkuserStatus status, char* buffer, size_t size);

namespace TolkCtl::Util {

// Releases an attribute object, for owning pointers.
struct SpawnAttrDestroyer {
    void operator()(TolkuserCompat_SpawnAttrs* attrs) const { TolkuserCompat_SpawnAttrDestroy(attrs); }
};

}  // namespace TolkCtl::Util
