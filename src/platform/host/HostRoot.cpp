#include "platform/host/HostRoot.hpp"

#include <cstdlib>
#include <unistd.h>

namespace HostRoot {

std::string Prefix()
{
    const char* root = std::getenv("HOSTPREFD_ROOT");
    if (root == nullptr) {
        return {};
    }
    std::string prefix(root);
    while (!prefix.empty() && prefix.back() == '/') {
        prefix.pop_back();
    }
    return prefix;
}

std::string Path(std::string_view hostPath)
{
    if (hostPath.empty() || hostPath.front() != '/') {
        return std::string(hostPath);
    }
    std::string path = Prefix();
    path.append(hostPath);
    return path;
}

std::string Executable(std::string_view hostPath)
{
    std::string local = Path(hostPath);
    if (local.size() != hostPath.size() && access(local.c_str(), X_OK) == 0) {
        return local;
    }
    return std::string(hostPath);
}

}  // namespace HostRoot
