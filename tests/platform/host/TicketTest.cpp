#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/host/Ticket.hpp"
#include "support/TempDir.hpp"

namespace {

class TicketTest : public ::testing::Test {
protected:
    // The service bound to `ticket`, or "<none>" when the lookup fails.
    static std::string Lookup(const char* ticket)
    {
        char service[128];
        return Ticket_LookupServiceSpecific(ticket, service, sizeof service) ? service : "<none>";
    }

    const std::string dir_ = std::string(kTicketDirectory) + "/";
    TestSupport::EmptyHostRoot root_;
};

TEST_F(TicketTest, TicketsAreDistinctPrivateAndFoundUntilDeleted)
{
    std::set<std::string> tickets;
    for (int i = 0; i < 50; ++i) tickets.insert(Ticket_Create(i % 2 ? "Lifecycle" : "Other"));
    EXPECT_EQ(tickets.size(), 50u);
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(root_.File(kTicketDirectory))) {
        files.insert(entry.path().filename().string());
    }
    EXPECT_EQ(files, tickets) << "one file per ticket and nothing else";
    EXPECT_EQ(
        std::filesystem::status(root_.File(kTicketDirectory)).permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_all)
        << "others must not list the tickets";

    const std::string ticket = Ticket_Create("Lifecycle");
    ASSERT_TRUE(Ticket_IsWellFormed(ticket)) << ticket;
    EXPECT_EQ(root_.Read(dir_ + ticket), "Lifecycle\n");
    EXPECT_EQ(Lookup(ticket.c_str()), "Lifecycle");
    EXPECT_EQ(Lookup(ticket.c_str()), "Lifecycle") << "a lookup alone does not use the ticket up";
    EXPECT_TRUE(Ticket_Delete(ticket.c_str()));
    EXPECT_EQ(Lookup(ticket.c_str()), "<none>");
    EXPECT_FALSE(Ticket_Delete(ticket.c_str()));
}

TEST_F(TicketTest, TextsThatCouldLeaveTheDirectoryAreRefused)
{
    // A file the traversals would reach if they were taken as paths.
    root_.Write("/var/run/orvane/secret", "Lifecycle\n");
    root_.Write(dir_ + "real", "Lifecycle\n");
    for (const char* bad : {"../secret", "..", ".", "", "real/", "/var/run/orvane/secret", "re al", "real\n",
                            "%2e%2e", "sub/../real"}) {
        EXPECT_FALSE(Ticket_IsWellFormed(bad)) << bad;
        EXPECT_EQ(Lookup(bad), "<none>") << bad;
        EXPECT_FALSE(Ticket_Delete(bad)) << bad;
    }
    EXPECT_EQ(Lookup(nullptr), "<none>");
    EXPECT_FALSE(Ticket_Delete(nullptr));
    EXPECT_EQ(root_.Read("/var/run/orvane/secret"), "Lifecycle\n");
    EXPECT_EQ(Lookup("real"), "Lifecycle");

    const std::string longest(kTicketMaxLength, 'a');
    EXPECT_TRUE(Ticket_IsWellFormed(longest));
    EXPECT_FALSE(Ticket_IsWellFormed(longest + "a"));
}

TEST_F(TicketTest, OnlyPlainFilesWithOneServiceNameAreTickets)
{
    root_.Write(dir_ + "Ab-9_z", "Lifecycle\r\n");  // as other tools write them
    root_.Write(dir_ + "plain", "  Other.Service  ");
    root_.Write(dir_ + "empty", "");
    root_.Write(dir_ + "spaced", "Life cycle\n");
    root_.Write(dir_ + "huge", std::string(500, 'L'));
    root_.Write("/var/run/orvane/secret", "Lifecycle\n");
    std::filesystem::create_symlink(root_.File("/var/run/orvane/secret"), root_.File(dir_ + "linked"));
    std::filesystem::create_directories(root_.File(dir_ + "adirectory"));
    const std::pair<const char*, const char*> cases[] = {
        {"Ab-9_z", "Lifecycle"}, {"plain", "Other.Service"}, {"empty", "<none>"},      {"spaced", "<none>"},
        {"huge", "<none>"},      {"linked", "<none>"},       {"adirectory", "<none>"},
    };
    for (const auto& [ticket, service] : cases) EXPECT_EQ(Lookup(ticket), service) << ticket;

    char small[9];  // "Lifecycle" needs 10 bytes with its NUL
    EXPECT_FALSE(Ticket_LookupServiceSpecific("Ab-9_z", small, sizeof small));
    char exact[10];
    ASSERT_TRUE(Ticket_LookupServiceSpecific("Ab-9_z", exact, sizeof exact));
    EXPECT_STREQ(exact, "Lifecycle");
}

TEST_F(TicketTest, OnlyPlainServiceNamesGetTickets)
{
    for (const char* bad : {"", "Life cycle", "../x", "a/b", "x\n"}) EXPECT_EQ(Ticket_Create(bad), "") << bad;
    EXPECT_EQ(Ticket_Create(nullptr), "");
    EXPECT_EQ(Ticket_Create(std::string(kTicketServiceMaxLength + 1, 's').c_str()), "");
    EXPECT_NE(Ticket_Create(std::string(kTicketServiceMaxLength, 's').c_str()), "");
}

}  // namespace
