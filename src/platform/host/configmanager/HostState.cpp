#include "platform/host/configmanager/HostState.hpp"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <stdexcept>

#include "platform/host/HostRoot.hpp"

namespace TarnConfigManager {

namespace {

bool MarkerExists(const char* hostPath) { return ::access(HostRoot::Path(hostPath).c_str(), F_OK) == 0; }

}  // namespace

bool HostState::InMaintenanceMode() { return MarkerExists(kMaintenanceModeMarker); }

bool HostState::InNbm() { return MarkerExists(kNbmMarker); }

std::string HostState::BiosUuid()
{
    std::ifstream in(HostRoot::Path(kProductUuidPath));
    std::string uuid;
    if (!(in >> uuid) || uuid.size() != 36) {
        throw std::runtime_error(std::string("Cannot read the BIOS UUID from ") + kProductUuidPath);
    }
    std::transform(uuid.begin(), uuid.end(), uuid.begin(), [](unsigned char c) { return std::tolower(c); });
    return uuid;
}

}  // namespace TarnConfigManager
