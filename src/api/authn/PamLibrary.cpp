#include "api/authn/PamLibrary.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <mutex>

#include "platform/host/CSLogger.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/host/Preference.hpp"
#include "platform/host/Str.hpp"

namespace Host::Settings::SettingsApi::Authn {

namespace {

std::once_flag loadOnce;
const PamLibrary* loaded = nullptr;

// The address of `name` as the process links it. The library was opened with global
// symbols, so this is its function unless something placed before it in the global scope
// (a preloaded library) interposes, exactly as for a function linked at build time.
void* Bind(void* handle, const char* name)
{
    void* own = ::dlsym(handle, name);
    if (own == nullptr) {
        return nullptr;
    }
    void* linked = ::dlsym(RTLD_DEFAULT, name);
    return linked != nullptr ? linked : own;
}

}  // namespace

const PamLibrary* PamLibrary::Get()
{
    std::call_once(loadOnce, [] { loaded = Load(); });
    return loaded;
}

std::string PamLibrary::BundledPath()
{
    std::string libdir = Preference_GetPathName("libdir", kDefaultLibdir);
    return Str_SafeAsprintf("%s/lib/%s/%s", libdir.c_str(), kBundledSubdir, kLibraryName);
}

bool PamLibrary::Open(const std::string& path, std::string& why)
{
    void* handle = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_GLOBAL);
    if (handle == nullptr) {
        const char* error = ::dlerror();
        why = error != nullptr ? error : "cannot open " + path;
        return false;
    }
    struct Slot {
        const char* name;
        void** target;
    };
    // pam_start first: a library without it is not PAM at all.
    const Slot slots[] = {
        {"pam_start", reinterpret_cast<void**>(&start)},
        {"pam_authenticate", reinterpret_cast<void**>(&authenticate)},
        {"pam_acct_mgmt", reinterpret_cast<void**>(&acctMgmt)},
        {"pam_end", reinterpret_cast<void**>(&end)},
        {"pam_strerror", reinterpret_cast<void**>(&strerror)},
    };
    for (const Slot& slot : slots) {
        *slot.target = Bind(handle, slot.name);
        if (*slot.target == nullptr) {
            CSLogger::Log(0, "PAM library does not contain required function: %s\n", slot.name);
            why = std::string("missing function ") + slot.name;
            ::dlclose(handle);
            *this = PamLibrary();
            return false;
        }
    }
    return true;
}

const PamLibrary* PamLibrary::Load()
{
    auto library = std::make_unique<PamLibrary>();
    std::string why;
    if (!library->Open(kLibraryName, why)) {
        std::string hostPath = BundledPath();
        std::string localPath = HostRoot::Path(hostPath);
        if (::access(localPath.c_str(), F_OK) != 0) {
            CSLogger::Log(0, "System PAM library unusable and bundled one not found.\n");
            return nullptr;
        }
        if (!library->Open(localPath, why)) {
            CSLogger::Log(0, "Neither system nor bundled (%s) PAM libraries usable: %s\n", hostPath.c_str(),
                          why.c_str());
            return nullptr;
        }
    }
    CSLogger::Log(2, "PAM up and running.\n");
    return library.release();
}

}  // namespace Host::Settings::SettingsApi::Authn
