// Reading a port out of a services-format file: names, aliases, protocols, junk.
#include <gtest/gtest.h>

#include <sstream>

#include "core/ServicesDatabase.hpp"

using Host::Settings::SettingsApi::ServicesDatabase;

namespace {

std::optional<uint16_t> Find(const std::string& text, const char* name = "hostprefd")
{
    std::istringstream services(text);
    return ServicesDatabase::FindTcpPort(services, name);
}

}  // namespace

TEST(ServicesDatabase, FindsTheTcpEntryByNameOrAlias)
{
    EXPECT_EQ(Find("hostprefd\t8307/tcp\n"), 8307);
    EXPECT_EQ(Find("# comment\nssh 22/tcp\nsettings 9000/tcp hostprefd prefs # here\n"), 9000);
    EXPECT_EQ(Find("hostprefd 8000/udp\nhostprefd 8001/tcp\n"), 8001);
    EXPECT_EQ(Find("  hostprefd   65535/tcp"), 65535);
}

TEST(ServicesDatabase, IgnoresEntriesThatAreNotUsablePorts)
{
    EXPECT_EQ(Find(""), std::nullopt);
    EXPECT_EQ(Find("hostprefdx 8307/tcp\n"), std::nullopt);
    EXPECT_EQ(Find("#hostprefd 8307/tcp\n"), std::nullopt);
    EXPECT_EQ(Find("hostprefd 0/tcp\n"), std::nullopt);
    EXPECT_EQ(Find("hostprefd 65536/tcp\n"), std::nullopt);
    EXPECT_EQ(Find("hostprefd -1/tcp\n"), std::nullopt);
    EXPECT_EQ(Find("hostprefd 80x/tcp\n"), std::nullopt);
    EXPECT_EQ(Find("hostprefd 8307\n"), std::nullopt);
    EXPECT_EQ(Find("hostprefd\n"), std::nullopt);
}
