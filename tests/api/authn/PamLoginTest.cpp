// Password logins against a real PAM stack: the probe program runs the daemon's
// authentication under pam_wrapper, whose pam_matrix module checks users, passwords and the
// services each user may use against a small password file.
#include <gtest/gtest.h>
#include <security/_pam_types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "../ApiTestSupport.hpp"
#include "support/DaemonProcess.hpp"
#include "support/PamWrapper.hpp"

namespace {

constexpr const char* kRefusedPassword =
    "refused com.orvane.lumo.std.errors.unauthenticated com.orvane.tarn.authn.userpass.invalid [] Invalid "
    "username or password";

std::string Hex(const std::string& bytes)
{
    std::string hex;
    for (unsigned char byte : bytes) hex += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
    return hex;
}

// The lines of `text` that contain `needle`.
std::vector<std::string> LinesWith(const std::string& text, const std::string& needle = "")
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.find(needle) != std::string::npos) lines.push_back(line);
    return lines;
}

class PamLoginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!TestSupport::PamWrapperInstalled()) {
            GTEST_SKIP() << "pam_wrapper is not installed (Debian package libpam-wrapper)";
        }
        // alice may use the daemon's PAM service; carol has a password but only for another one.
        pamEnv_ = TestSupport::PamWrapperEnv(root_, "alice:wonderland:hostprefd\ncarol:secret:othersvc\n");
    }

    // Runs the probe with `logins`; its answers (one line per login), its log in log_.
    std::vector<std::string> Run(const std::vector<std::pair<std::string, std::string>>& logins)
    {
        std::vector<std::string> argv = {AUTHN_PAM_PROBE, root_.Path("/probe.out")};
        for (const auto& [user, password] : logins) argv.insert(argv.end(), {Hex(user), Hex(password)});
        TestSupport::DaemonProcess probe(root_, pamEnv_, argv);
        const auto status = probe.WaitExit(std::chrono::seconds(60));
        log_ = probe.Stderr();
        EXPECT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << log_;
        return LinesWith(root_.ReadFile("/probe.out"));
    }

    TestSupport::TempHostRoot root_;
    TestSupport::DaemonProcess::Env pamEnv_;
    std::string log_;
};

TEST_F(PamLoginTest, PasswordLoginsThroughOneLoadedStack)
{
    const std::string ticket = "0123456789abcdef0123456789abcdef";
    const std::string ticketFile = "/var/run/orvane/tickets/" + ticket;
    root_.WriteFile(ticketFile, "Lifecycle\n");

    auto answers = Run({{"alice", "wonderland"},
                        {"alice", "wonderlanD"},
                        {"carol", "secret"},  // right password, but not for this service
                        {"nobody", "secret"},
                        {ticket, ticket + "x"},  // a ticket name with another password
                        // Credentials that are not plain UTF-8 are refused before PAM sees them.
                        {"al\xffice", "wonderland"},
                        {"alice", "wonder\xc0\xafland"},
                        {"alice", std::string("wonderland\0x", 12)}});
    std::vector<std::string> expected(8, kRefusedPassword);
    expected[0] = "accepted alice";
    ASSERT_EQ(answers, expected) << log_;
    EXPECT_EQ(LinesWith(log_, "User not in UTF-8").size(), 1u) << log_;
    EXPECT_EQ(LinesWith(log_, "Password not in UTF-8").size(), 1u) << log_;

    // PAM is loaded once for the process and reused by the later logins.
    EXPECT_EQ(LinesWith(log_, "PAM up and running.").size(), 1u) << log_;
    EXPECT_EQ(LinesWith(log_, "UserPass authentication failed for user: alice").size(), 3u) << log_;
    // carol fails only the account check; the unknown user fails authentication already. The
    // last three logins never reached PAM.
    auto pamLines = LinesWith(log_, "Auth_AuthenticateUserPAM:");
    ASSERT_EQ(pamLines.size(), 4u) << log_;
    EXPECT_NE(pamLines[1].find("(" + std::to_string(PAM_PERM_DENIED) + ")"), std::string::npos) << log_;
    EXPECT_NE(pamLines[2].find("(" + std::to_string(PAM_AUTH_ERR) + ")"), std::string::npos) << log_;

    // The ticket was not spent on a password login.
    EXPECT_TRUE(root_.Exists(ticketFile));
    EXPECT_TRUE(ApiTest::AuditRecords(root_.Dir(), "service.lcticket.use").empty());
    const auto records = ApiTest::AuditRecords(root_.Dir(), "service.password.use");
    ASSERT_EQ(records.size(), 8u);
    EXPECT_EQ(
        std::vector<std::string>(records.begin(), records.begin() + 2),
        (std::vector<std::string>{
            "service.password.use alice com.orvane.hub.tasks:get ok ip=127.0.0.1 opID=probe-0 uniqueID=***",
            "service.password.use alice com.orvane.hub.tasks:get failed ip=127.0.0.1 opID=probe-1 "
            "reason=Invalid username or password uniqueID=***"}));
    EXPECT_TRUE(records[4].starts_with("service.password.use " + ticket + " ")) << records[4];
}

}  // namespace
