// Host::Settings::SettingsApi::Authn::PamLibrary: the PAM library, loaded at run time on
// first use: the system's "libpam.so.0", else the bundled copy under the "libdir" preference.
//
// One per process, loaded once and never unloaded; Get is thread-safe and the functions it
// exposes are PAM's own.
#pragma once

#include <security/pam_appl.h>

#include <string>

namespace Host::Settings::SettingsApi::Authn {

class PamLibrary {
public:
    static constexpr const char* kLibraryName = "libpam.so.0";
    // The library subdirectory of the bundled copy: "<libdir>/lib/<kBundledSubdir>/libpam.so.0".
    static constexpr const char* kBundledSubdir = "pam";
    static constexpr const char* kDefaultLibdir = "/usr/lib/orvane";

    using StartFn = int (*)(const char*, const char*, const struct pam_conv*, pam_handle_t**);
    using HandleFlagsFn = int (*)(pam_handle_t*, int);
    using EndFn = int (*)(pam_handle_t*, int);
    using StrerrorFn = const char* (*)(pam_handle_t*, int);

    // The loaded library, or null (logged once) when neither copy is usable.
    static const PamLibrary* Get();

    // The host path of the bundled copy for the current "libdir" preference.
    static std::string BundledPath();

    StartFn start = nullptr;
    HandleFlagsFn authenticate = nullptr;
    HandleFlagsFn acctMgmt = nullptr;
    EndFn end = nullptr;
    StrerrorFn strerror = nullptr;

private:
    // Opens `path` and resolves every function; on failure closes it and sets `why`.
    bool Open(const std::string& path, std::string& why);
    static const PamLibrary* Load();
};

}  // namespace Host::Settings::SettingsApi::Authn
