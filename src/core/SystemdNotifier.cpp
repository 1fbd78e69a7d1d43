#include "core/SystemdNotifier.hpp"

#include <systemd/sd-daemon.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/host/CSLogger.hpp"

namespace Host::Settings::SettingsApi {

namespace {

void Notify(const std::string& state)
{
    if (std::getenv("NOTIFY_SOCKET") == nullptr) return;
    const int rc = sd_notify(0, state.c_str());
    if (rc < 0) CSLogger::Log(1, "Cannot notify the service manager: %s", std::strerror(-rc));
}

}  // namespace

void SystemdNotifier::Started(uint16_t port, size_t openListeners)
{
    const std::string where = "TCP port " + std::to_string(port);
    if (openListeners == 0) {
        CSLogger::Log(0, "No listener is open on %s: the daemon serves nothing", where.c_str());
        Notify("STATUS=Cannot listen on " + where + "; is another process using it?");
        return;
    }
    Notify("READY=1\nSTATUS=Listening on " + where);
}

void SystemdNotifier::Stopping()
{
    Notify("STOPPING=1");
}

}  // namespace Host::Settings::SettingsApi
