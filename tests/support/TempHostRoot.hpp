// TempHostRoot: a throw-away copy of the test host tree, removed with the object.
//
// The copy starts from tests/fixtures/hostroot; the services database gets a port that
// was free when the root was made. Not thread-safe; one per test.
#pragma once

#include <unistd.h>

#include <string>

#include "support/TempDir.hpp"

namespace TestSupport {

class TempHostRoot : public TempDir {
public:
    TempHostRoot();

    // The root directory (the value for HOSTPREFD_ROOT).
    std::string Dir() const { return TempDir::Path().string(); }
    // The local path of a host path below this root.
    std::string Path(const std::string& hostPath) const { return File(hostPath); }
    // The TCP port written into the root's services database.
    int Port() const { return port_; }

    void WriteFile(const std::string& hostPath, const std::string& content) const
    {
        Write(hostPath, content);
    }
    std::string ReadFile(const std::string& hostPath) const { return Read(hostPath); }
    bool Exists(const std::string& hostPath) const { return access(File(hostPath).c_str(), F_OK) == 0; }

private:
    int port_ = 0;
};

// A TCP port on 127.0.0.1 that nobody listens on right now.
int FreeLoopbackPort();

// The directory the build put the binaries in (the daemon, its tools).
std::string BuildDir();

}  // namespace TestSupport
