#include "util/CommandRunner.hpp"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/host/CSLogger.hpp"
#include "platform/host/SigpipeGuard.hpp"
#include "platform/host/TolkCtl.hpp"
#include "platform/host/TolkuserCompat.hpp"

namespace LifeCycle {

namespace {

constexpr const char* kRunTag = "RunCommand";
constexpr const char* kNonTaskGroup = "hostprefd-nontask-forks";
constexpr int kNonTaskMemoryMb = 200;
constexpr unsigned kNonTaskSpawnFlags = 0x300;

// Output is read one page at a time; the page size is fixed before any request is served.
const size_t kReadChunk = static_cast<size_t>(sysconf(_SC_PAGESIZE));
// Room for the largest page size we run on, plus the terminating NUL.
constexpr size_t kReadBufferSize = 64 * 1024 + 1;

using SpawnAttrs = std::unique_ptr<TolkuserCompat_SpawnAttrs, TolkCtl::Util::SpawnAttrDestroyer>;

SpawnAttrs NonTaskSpawnAttrs()
{
    TolkuserCompat_SpawnAttrs* raw = nullptr;
    if (TolkuserCompat_SpawnAttrInit(&raw) != TOLKUSER_OK) {
        throw std::bad_alloc();
    }
    SpawnAttrs attrs(raw);
    TolkuserCompat_SpawnAttrSetRP(attrs.get(), kNonTaskGroup);
    TolkuserCompat_SpawnAttrSetMemMB(attrs.get(), kNonTaskMemoryMb);
    TolkuserCompat_SpawnAttrSetFlags(attrs.get(), kNonTaskSpawnFlags);
    return attrs;
}

// Appends everything the command prints; false (errno set) when a read failed.
bool ReadAllOutput(int fd, std::string& output)
{
    std::array<char, kReadBufferSize> buffer;
    const size_t chunk = std::min(kReadChunk, buffer.size() - 1);
    errno = 0;
    ssize_t got = 0;
    while ((got = read(fd, buffer.data(), chunk)) > 0) {
        buffer[static_cast<size_t>(got)] = '\0';
        // Appended as a C string: the bytes of a chunk after an embedded NUL are dropped.
        output.append(buffer.data());
    }
    return got == 0;
}

// The return code of a wait status: the exit status of a normal exit, else the status word.
int ReturnCodeOf(TolkuserStatus closed, int waitStatus)
{
    return closed == TOLKUSER_OK && (waitStatus & 0x7f) == 0 ? (waitStatus >> 8) & 0xff : waitStatus;
}

CommandResult ResultOf(int returnCode)
{
    return returnCode == 0 ? CommandResult{} : CommandResult{CommandResult::NonZeroExit, returnCode};
}

}  // namespace

CommandResult RunCommand(const std::string& command, const std::string* input, std::string* output)
{
    CSLogger::Log(3, "[%s] About to run command %s", kRunTag, command.c_str());
    const SpawnAttrs attrs = NonTaskSpawnAttrs();

    TolkuserCompat_Pipe pipe;
    errno = 0;
    const TolkuserStatus opened =
        TolkuserCompat_POpen_SpawnAttrs(attrs.get(), command.c_str(), input != nullptr ? "w" : "r", &pipe);
    if (opened != TOLKUSER_OK) {
        char text[256];
        CSLogger::Log(0, "[%s] Could not start command: %s, error: %s", kRunTag, command.c_str(),
                      TolkuserStatus_CodeToString(opened, text, sizeof text));
        return {CommandResult::SpawnFailed, opened};
    }

    if (input != nullptr) {
        CSLogger::Log(3, "[%s]: Writing to command: %s.", kRunTag, input->c_str());
        ssize_t written = 0;
        int error = 0;
        {
            // A command that exits without reading must not take the daemon down with SIGPIPE.
            const SigpipeGuard guard;
            errno = 0;
            written = write(pipe.fd, input->data(), input->size());
            error = errno;
        }
        if (written < 0) {
            CSLogger::Log(0, "[%s]: Failed to write %lu bytes to pipe.", kRunTag,
                          static_cast<unsigned long>(input->size()));
            int ignored = 0;
            TolkuserCompat_PClose(&pipe, &ignored);
            return {CommandResult::PipeWriteFailed, error};
        }
    }

    if (output != nullptr && input == nullptr) {
        if (!ReadAllOutput(pipe.fd, *output)) {
            const int error = errno;
            CSLogger::Log(3, "[%s] Error reading from pipe: %s", kRunTag, std::strerror(error));
            int ignored = 0;
            TolkuserCompat_PClose(&pipe, &ignored);
            return {CommandResult::PipeReadFailed, error};
        }
        CSLogger::Log(3, "[%s] Got result : %s", kRunTag, output->c_str());
    }

    // Stays -1 (not a normal exit) when the close fails before it could fill it in.
    int waitStatus = -1;
    const TolkuserStatus closed = TolkuserCompat_PClose(&pipe, &waitStatus);
    CSLogger::Log(3, "[%s] Status from pclose %d", kRunTag, closed);
    const int returnCode = ReturnCodeOf(closed, waitStatus);
    CSLogger::Log(3, "[%s] Command return code %d", kRunTag, returnCode);
    return ResultOf(returnCode);
}

CommandResult RunCommand(const std::string& command)
{
    try {
        const int returnCode = TolkCtl::Util::TolkCtl_Exec(command, false, true, true);
        CSLogger::Log(3, "[%s] Got returnCode from exec: %d", kRunTag, returnCode);
        return ResultOf(returnCode);
    } catch (...) {
        const int error = errno;
        CSLogger::Log(0, "[%s] Got exception from exec", kRunTag);
        return {CommandResult::SpawnFailed, error};
    }
}

}  // namespace LifeCycle
