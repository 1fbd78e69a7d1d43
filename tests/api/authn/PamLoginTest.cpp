// Password logins against a real PAM stack: the probe program runs the daemon's
// authentication under pam_wrapper, whose pam_matrix module checks users, passwords and the
// services each user may use against a small password file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <security/_pam_types.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../authz/AuditLogReader.hpp"
#include "support/TempHostRoot.hpp"

extern char** environ;

namespace {

using AuditTest::ReadAuditLog;
using AuditTest::RecordsOf;

constexpr const char* kPamWrapper = "/usr/lib/x86_64-linux-gnu/libpam_wrapper.so";
constexpr const char* kPamMatrix = "/usr/lib/x86_64-linux-gnu/pam_wrapper/pam_matrix.so";
constexpr const char* kRefusedPassword =
    "refused com.orvane.lumo.std.errors.unauthenticated Invalid username or password";

std::string Hex(const std::string& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

size_t Count(const std::string& text, const std::string& needle)
{
    size_t count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++count;
    }
    return count;
}

struct ProbeRun {
    int exitCode = -1;
    std::vector<std::string> answers;  // one line per login
    std::string log;                   // the probe's log lines (standard error)
};

class PamLoginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::access(kPamWrapper, R_OK) != 0 || ::access(kPamMatrix, R_OK) != 0) {
            GTEST_SKIP() << "pam_wrapper is not installed (Debian package libpam-wrapper)";
        }
        // alice may use the daemon's PAM service; carol has a password but only for another one.
        root_.WriteFile("/pam/passdb", "alice:wonderland:hostprefd\ncarol:secret:othersvc\n");
        std::string module = std::string(kPamMatrix) + " passdb=" + root_.Path("/pam/passdb") + "\n";
        root_.WriteFile("/pam/services/hostprefd", "auth required " + module + "account required " + module);
    }

    ProbeRun Run(const std::vector<std::pair<std::string, std::string>>& logins)
    {
        std::vector<std::string> env;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            std::string text(*entry);
            if (!text.starts_with("LD_PRELOAD=") && !text.starts_with("ASAN_OPTIONS=")) {
                env.push_back(text);
            }
        }
        const char* asan = std::getenv("ASAN_OPTIONS");
        env.push_back("HOSTPREFD_ROOT=" + root_.Dir());
        env.push_back("HOSTPREFD_LOG_STDERR=1");
        env.push_back("PAM_WRAPPER=1");
        env.push_back("PAM_WRAPPER_SERVICE_DIR=" + root_.Path("/pam/services"));
        env.push_back("PAM_MATRIX_PASSWD=" + root_.Path("/pam/passdb"));
        env.push_back(std::string("LD_PRELOAD=") + kPamWrapper);
        // The wrapper's deep binding does not mix with the address sanitizer, nor does a
        // preloaded library with its check that it is loaded first.
        env.push_back("PAM_WRAPPER_DISABLE_DEEPBIND=1");
        env.push_back("UID_WRAPPER_DISABLE_DEEPBIND=1");
        env.push_back(std::string("ASAN_OPTIONS=") + (asan != nullptr ? std::string(asan) + ":" : "") +
                      "verify_asan_link_order=0");

        std::vector<std::string> args = {AUTHN_PAM_PROBE};
        for (const auto& [user, password] : logins) {
            args.push_back(Hex(user));
            args.push_back(Hex(password));
        }
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& entry : env) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);

        std::string outPath = root_.Path("/probe.out");
        std::string errPath = root_.Path("/probe.err");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ProbeRun run;
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << argv[0] << ": " << spawned;
            return run;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.answers = Lines(root_.ReadFile("/probe.out"));
        run.log = root_.ReadFile("/probe.err");
        return run;
    }

    TestSupport::TempHostRoot root_;
};

TEST_F(PamLoginTest, RightPasswordPassesAndWrongOneIsRefusedWithItsRecord)
{
    ProbeRun run = Run({{"alice", "wonderland"}, {"alice", "wonderlanD"}});
    ASSERT_EQ(run.exitCode, 0) << run.log;
    ASSERT_EQ(run.answers.size(), 2u) << run.log;
    EXPECT_EQ(run.answers[0], "accepted alice");
    EXPECT_EQ(run.answers[1], kRefusedPassword);

    // PAM is loaded once for the process and reused by the second login.
    EXPECT_EQ(Count(run.log, "PAM up and running."), 1u) << run.log;
    EXPECT_EQ(Count(run.log, "UserPass authentication failed for user: alice"), 1u) << run.log;
    EXPECT_EQ(Count(run.log, "Auth_AuthenticateUserPAM:"), 1u) << run.log;

    auto records = RecordsOf(ReadAuditLog(root_.Dir()), "service.password.use");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(records[0].success);
    EXPECT_EQ(records[0].subject, "alice");
    EXPECT_EQ(records[0].items.count("reason"), 0u);
    EXPECT_FALSE(records[1].success);
    EXPECT_EQ(records[1].subject, "alice");
    EXPECT_EQ(records[1].object, "com.orvane.hub.tasks:get");
    EXPECT_EQ(records[1].items["reason"], "Invalid username or password");
    EXPECT_EQ(records[1].items["ip"], "127.0.0.1");
    EXPECT_EQ(records[1].items["opID"], "probe-1");
}

TEST_F(PamLoginTest, RightPasswordForAnotherServiceFailsTheAccountCheck)
{
    ProbeRun run = Run({{"carol", "secret"}, {"nobody", "secret"}});
    ASSERT_EQ(run.exitCode, 0) << run.log;
    ASSERT_EQ(run.answers.size(), 2u) << run.log;
    EXPECT_EQ(run.answers[0], kRefusedPassword);
    EXPECT_EQ(run.answers[1], kRefusedPassword);
    // carol's password is right, so only the account check can have refused her; the
    // unknown user fails at authentication already.
    std::vector<std::string> pamLines;
    for (const auto& line : Lines(run.log)) {
        if (line.find("Auth_AuthenticateUserPAM:") != std::string::npos) {
            pamLines.push_back(line);
        }
    }
    ASSERT_EQ(pamLines.size(), 2u) << run.log;
    EXPECT_NE(pamLines[0].find("(" + std::to_string(PAM_PERM_DENIED) + ")"), std::string::npos) << run.log;
    EXPECT_NE(pamLines[1].find("(" + std::to_string(PAM_AUTH_ERR) + ")"), std::string::npos) << run.log;
}

TEST_F(PamLoginTest, TicketWithAnotherPasswordIsAPasswordLoginAndKeepsTheTicket)
{
    const std::string ticket = "0123456789abcdef0123456789abcdef";
    const std::string ticketFile = std::string("/var/run/orvane/tickets/") + ticket;
    root_.WriteFile(ticketFile, "Lifecycle\n");

    ProbeRun run = Run({{ticket, ticket + "x"}});
    ASSERT_EQ(run.exitCode, 0) << run.log;
    ASSERT_EQ(run.answers.size(), 1u) << run.log;
    EXPECT_EQ(run.answers[0], kRefusedPassword);
    EXPECT_TRUE(root_.Exists(ticketFile));
    auto records = ReadAuditLog(root_.Dir());
    EXPECT_TRUE(RecordsOf(records, "service.lcticket.use").empty());
    ASSERT_EQ(RecordsOf(records, "service.password.use").size(), 1u);
    EXPECT_EQ(RecordsOf(records, "service.password.use")[0].subject, ticket);
}

TEST_F(PamLoginTest, CredentialsThatAreNotPlainUtf8NeverReachPam)
{
    ProbeRun run = Run({{"al\xffice", "wonderland"},
                        {"alice", "wonder\xc0\xafland"},
                        {"alice", std::string("wonderland\0x", 12)}});
    ASSERT_EQ(run.exitCode, 0) << run.log;
    ASSERT_EQ(run.answers.size(), 3u) << run.log;
    for (const auto& answer : run.answers) {
        EXPECT_EQ(answer, kRefusedPassword);
    }
    EXPECT_EQ(Count(run.log, "User not in UTF-8"), 1u) << run.log;
    EXPECT_EQ(Count(run.log, "Password not in UTF-8"), 1u) << run.log;
    // Nothing was handed to PAM, so it was never even loaded.
    EXPECT_EQ(Count(run.log, "PAM up and running."), 0u) << run.log;
    EXPECT_EQ(RecordsOf(ReadAuditLog(root_.Dir()), "service.password.use").size(), 3u);
}

}  // namespace
