// PamWrapper: a real PAM stack for a child process (the daemon, or a probe of its login
// code) on a test host root, through pam_wrapper (Debian package libpam-wrapper). The PAM
// service "hostprefd" checks users with pam_matrix against a password file below the root.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/DaemonProcess.hpp"
#include "support/TempHostRoot.hpp"

namespace TestSupport {

inline constexpr const char* kPamWrapper = "/usr/lib/x86_64-linux-gnu/libpam_wrapper.so";
inline constexpr const char* kPamMatrix = "/usr/lib/x86_64-linux-gnu/pam_wrapper/pam_matrix.so";

inline bool PamWrapperInstalled()
{
    return access(kPamWrapper, R_OK) == 0 && access(kPamMatrix, R_OK) == 0;
}

// Writes `passdb` ("user:password:service" lines) and the service "hostprefd" below `root`;
// returns the environment that points a child's PAM at them.
inline DaemonProcess::Env PamWrapperEnv(const TempHostRoot& root, const std::string& passdb)
{
    root.WriteFile("/pam/passdb", passdb);
    const std::string module = std::string(kPamMatrix) + " passdb=" + root.Path("/pam/passdb") + "\n";
    root.WriteFile("/pam/services/hostprefd", "auth required " + module + "account required " + module);
    const char* asan = std::getenv("ASAN_OPTIONS");
    // The wrapper's deep binding does not mix with the address sanitizer, nor does a
    // preloaded library with its check that it is loaded first.
    return {{"PAM_WRAPPER", "1"},
            {"PAM_WRAPPER_SERVICE_DIR", root.Path("/pam/services")},
            {"PAM_MATRIX_PASSWD", root.Path("/pam/passdb")},
            {"LD_PRELOAD", kPamWrapper},
            {"PAM_WRAPPER_DISABLE_DEEPBIND", "1"},
            {"UID_WRAPPER_DISABLE_DEEPBIND", "1"},
            {"ASAN_OPTIONS", (asan ? std::string(asan) + ":" : "") + "verify_asan_link_order=0"}};
}

}  // namespace TestSupport
