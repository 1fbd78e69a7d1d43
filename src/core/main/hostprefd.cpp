// hostprefd: the host settings daemon.
#include "core/Daemon.hpp"

int main()
{
    Host::Settings::SettingsApi::Daemon daemon;
    return daemon.Run();
}
