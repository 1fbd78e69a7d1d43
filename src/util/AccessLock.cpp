#include "util/AccessLock.hpp"

#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <thread>

#include "platform/host/CryptoHash.hpp"

namespace LifeCycle {

namespace {

constexpr const char* kNamePrefix = "/com/orvane/";

std::string AbsolutePath(const std::string& path)
{
    if (!path.empty() && path.front() == '/') {
        return path;
    }
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr) {
        throw AccessLockError(errno);
    }
    return std::string(cwd) + "/" + path;
}

}  // namespace

AccessLockError::AccessLockError(int32_t error) : error_(error), text_(std::strerror(error)) {}

std::string AccessLock::NameFor(const std::string& lockPath)
{
    const Sha256Digest digest = CryptoHash_ComputeSHA256(AbsolutePath(lockPath));
    return kNamePrefix + CryptoHash_ToHex(digest);
}

AccessLock::AccessLock(const std::string& lockPath, int retries) : name_(NameFor(lockPath))
{
    // These lines go straight to the system log: the lock is used by host tools as well,
    // and its trace must not depend on the daemon's logger being set up.
    syslog(LOG_INFO, "[AccessLock]: Create lock with retry count{%d}", retries);
    for (int attempt = 0;; ++attempt) {
        try {
            fd_ = TryBind();
            syslog(LOG_INFO, "[AccessLock]: Lock acquired on socket{%s}, count{%d/%d}", name_.c_str(), attempt,
                   retries);
            return;
        } catch (const AccessLockError& e) {
            syslog(LOG_ERR, "[AccessLock]: Acquiring lock failed on socket{%s}, count{%d/%d}: {%s}", name_.c_str(),
                   attempt, retries, e.what());
            if (e.Error() != EADDRINUSE || attempt >= retries) {
                syslog(LOG_ERR, "[AccessLock]: Giving up on acquiring lock{%s}, count{%d/%d}: {%s}", name_.c_str(),
                       attempt, retries, e.what());
                throw;
            }
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
        syslog(LOG_ERR, "[AccessLock]: Sleeping for a second and retrying to acquire lock{%s}, count{%d/%d}",
               name_.c_str(), attempt + 1, retries);
    }
}

AccessLock::~AccessLock()
{
    try {
        Release();
    } catch (const AccessLockError& e) {
        syslog(LOG_ERR, "[AccessLock]: Failed to close socket{%s}: {%s}", name_.c_str(), e.what());
    }
}

int AccessLock::TryBind() const
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        const int error = errno;
        syslog(LOG_ERR, "[AccessLock]: Failed to create socket{%s}: {%s}", name_.c_str(), std::strerror(error));
        throw AccessLockError(error);
    }
    // Abstract namespace: a leading NUL, then the name; the length covers the family field,
    // that NUL and the name, so nothing is left in the file system.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t length = std::min(name_.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name_.data(), length);
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
        const int error = errno;
        syslog(LOG_ERR, "[AccessLock]: Failed to bind socket{%s}: {%s}", name_.c_str(), std::strerror(error));
        if (close(fd) == 0) {
            syslog(LOG_INFO, "[AccessLock]: socket{%s} closed", name_.c_str());
        }
        throw AccessLockError(error);
    }
    return fd;
}

void AccessLock::Release()
{
    while (fd_ != -1) {
        if (close(fd_) == 0) {
            fd_ = -1;
            syslog(LOG_INFO, "[AccessLock]: socket{%s} closed", name_.c_str());
        } else if (errno != EINTR) {
            throw AccessLockError(errno);
        }
    }
}

}  // namespace LifeCycle
