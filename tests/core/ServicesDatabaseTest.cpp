// Reading a port out of a services-format file: names, aliases, protocols, junk.
#include <gtest/gtest.h>

#include <sstream>

#include "core/ServicesDatabase.hpp"

using Host::Settings::SettingsApi::ServicesDatabase;

TEST(ServicesDatabase, FindsTheTcpEntryByNameOrAliasAndIgnoresUnusablePorts)
{
    const std::pair<std::string, std::optional<uint16_t>> rows[] = {
        {"hostprefd\t8307/tcp\n", 8307},
        {"# comment\nssh 22/tcp\nsettings 9000/tcp hostprefd prefs # here\n", 9000},
        {"hostprefd 8000/udp\nhostprefd 8001/tcp\n", 8001},
        {"  hostprefd   65535/tcp", 65535},
        {"", std::nullopt},
        {"hostprefdx 8307/tcp\n", std::nullopt},
        {"#hostprefd 8307/tcp\n", std::nullopt},
        {"hostprefd 0/tcp\n", std::nullopt},
        {"hostprefd 65536/tcp\n", std::nullopt},
        {"hostprefd -1/tcp\n", std::nullopt},
        {"hostprefd 80x/tcp\n", std::nullopt},
        {"hostprefd 8307\n", std::nullopt},
        {"hostprefd\n", std::nullopt},
    };
    for (const auto& [text, port] : rows) {
        std::istringstream services(text);
        EXPECT_EQ(ServicesDatabase::FindTcpPort(services, "hostprefd"), port) << text;
    }
}
