// LifeCycle::AccessLock: a host-wide lock between processes, named after a file path. Held
// as a bound UNIX-domain socket in the abstract namespace, so it vanishes with its holder.
//
// Owned by the scope that takes it; one object is not for sharing between threads, but
// locks of the same path exclude each other across threads and processes alike.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace LifeCycle {

// A lock could not be taken or released; holds the errno of the failure.
class AccessLockError : public std::exception {
public:
    explicit AccessLockError(int32_t error);
    int32_t Error() const { return error_; }
    // strerror of the errno.
    const char* what() const noexcept override { return text_.c_str(); }

private:
    int32_t error_;
    std::string text_;
};

class AccessLock {
public:
    // Takes the lock of `lockPath`, trying `retries` more times one second apart while the
    // name is in use. Throws AccessLockError when it cannot be had.
    AccessLock(const std::string& lockPath, int retries);
    // Releases the lock; a failure to close is logged, not thrown.
    ~AccessLock();
    AccessLock(const AccessLock&) = delete;
    AccessLock& operator=(const AccessLock&) = delete;

    // Releases the lock (closes the socket); no-op when not held. Throws AccessLockError.
    void Release();

    // The socket name: "/com/orvane/" + SHA-256 hex of the path made absolute.
    const std::string& Name() const { return name_; }
    static std::string NameFor(const std::string& lockPath);

private:
    // One bind attempt; the descriptor of the bound socket, or throws AccessLockError.
    int TryBind() const;

    int32_t fd_ = -1;
    std::string name_;
};

}  // namespace LifeCycle
