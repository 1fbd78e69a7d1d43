// SystemdNotifier: tells the service manager how the daemon's start and stop go, through
// sd_notify, when the daemon runs in a unit of Type=notify (NOTIFY_SOCKET is set). Without
// a service manager every call does nothing, so the daemon runs the same anywhere.
// Stateless; called from the main thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Host::Settings::SettingsApi {

class SystemdNotifier {
public:
    // After the endpoint started: ready once at least one listener is open on `port`;
    // with none it logs that and reports only why, and the manager's start timeout fails
    // the unit.
    static void Started(uint16_t port, size_t openListeners);
    // Shutdown has begun.
    static void Stopping();
};

}  // namespace Host::Settings::SettingsApi
