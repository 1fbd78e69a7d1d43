// TarnConfigManager::HostState: the host states that decide whether a configuration change
// may go ahead, read from marker files, and the host's BIOS UUID.
//
// Static only; every call reads the file system afresh; thread-safe.
#pragma once

#include <string>

namespace TarnConfigManager {

class HostState {
public:
    // Present while the host is in maintenance mode.
    static constexpr const char* kMaintenanceModeMarker = "/var/run/orvane/maintenance-mode";
    // Present while single configuration keys may be changed on this host.
    static constexpr const char* kNbmMarker = "/var/run/orvane/nbm";
    static constexpr const char* kProductUuidPath = "/sys/class/dmi/id/product_uuid";

    static bool InMaintenanceMode();
    static bool InNbm();

    // The BIOS UUID in lower case. Throws std::runtime_error when it cannot be read.
    static std::string BiosUuid();
};

}  // namespace TarnConfigManager
