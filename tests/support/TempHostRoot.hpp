// TempHostRoot: a throw-away copy of the test host tree, removed with the object.
//
// The copy starts from tests/fixtures/hostroot; the services database gets a port that
// was free when the root was made. Not thread-safe; one per test.
#pragma once

#include <string>

namespace TestSupport {

class TempHostRoot {
public:
    TempHostRoot();
    ~TempHostRoot();
    TempHostRoot(const TempHostRoot&) = delete;
    TempHostRoot& operator=(const TempHostRoot&) = delete;

    // The root directory (the value for HOSTPREFD_ROOT).
    const std::string& Dir() const { return dir_; }
    // The local path of a host path below this root.
    std::string Path(const std::string& hostPath) const { return dir_ + hostPath; }
    // The TCP port written into the root's services database.
    int Port() const { return port_; }

    // Writes a file below the root, creating its directories.
    void WriteFile(const std::string& hostPath, const std::string& content) const;
    // Reads a whole file below the root; "" when it cannot be read.
    std::string ReadFile(const std::string& hostPath) const;
    bool Exists(const std::string& hostPath) const;

private:
    std::string dir_;
    int port_ = 0;
};

// A TCP port on 127.0.0.1 that nobody listens on right now.
int FreeLoopbackPort();

// The directory the build put the binaries in (the daemon, its tools).
std::string BuildDir();

}  // namespace TestSupport
