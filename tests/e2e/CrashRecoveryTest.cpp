// The daemon killed in the middle of long operations and started again on the same host root:
// what it finds and what clients are told about the tasks that were running.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/DaemonTest.hpp"

using namespace std::chrono_literals;
using TestSupport::DaemonProcess;

namespace {

constexpr const char* kClaimFile = "/var/orvane/lifecycle/lifecycle.task";

class CrashRecoveryTest : public TestSupport::DaemonTest {
protected:
    // Kills the daemon outright once `id` runs, and starts it again.
    void KillWhileRunning(const std::string& id)
    {
        ASSERT_TRUE(WaitRunning(id)) << daemon_->Stderr() << root_.ReadFile("/var/log/orvane/hosttools/calls.jsonl");
        daemon_->Signal(SIGKILL);
        ASSERT_TRUE(daemon_->WaitExit(5s).has_value());
        ASSERT_TRUE(root_.Exists(kClaimFile)) << "the killed daemon's claim on the host is left behind";
        Start();
        EXPECT_NE(daemon_->Stderr().find("<2> Task store integrity check: ok"), std::string::npos) << daemon_->Stderr();
    }
};

TEST_F(CrashRecoveryTest, TheDaemonsOwnTaskEndsFailedAndALaunchedToolsTaskGoesOn)
{
    // A configuration apply whose component takes its time.
    SlowApply(5, {"time"});
    root_.WriteFile("/etc/orvane/hosttools.json", R"({"step_seconds": 0.4})");
    Start();

    const std::string document = R"({"id": "d1", "profile": {"time": {"ntp": {"enabled": true}}}})";
    const std::string configuration = "com.orvane.tarn.hostpref_daemon.configuration.";
    rpc_.WaitTask(rpc_.StartTask(configuration + "check_apply", DesiredDocument(document)));
    const std::string apply = rpc_.StartTask(configuration + "apply", R"({"document_id": "d1"})");
    KillWhileRunning(apply);
    EXPECT_FALSE(root_.Exists(kClaimFile));
    rapidjson::Document died = rpc_.WaitTask(apply, 2s);
    EXPECT_EQ(At(died, "/status"), "FAILED");
    EXPECT_EQ(At(died, "/error/messages/0/id"), "com.orvane.tarn.task.daemon.restarted");
    EXPECT_EQ(At(died, "/error/messages/0/localized"),
              "The task ended with the daemon that ran it, which has restarted since; it did not complete.");
    EXPECT_FALSE(root_.Exists("/etc/orvane/configstore/store.json")) << "the apply never got to write the store";

    // A software apply that the image manager tool carries out in a process of its own.
    const std::string software = rpc_.StartTask(
        "com.orvane.tarn.hostpref_daemon.software.apply",
        R"({"spec":{"base_image":{"version":"8.0.2"},"components":{"net-driver":"1.1"}},)"
        R"("depots":["file:///srv/depots/main"]})");
    KillWhileRunning(software);
    rapidjson::Document carriedOn = rpc_.WaitTask(software, 60s);
    EXPECT_EQ(At(carriedOn, "/status"), "SUCCEEDED");
    EXPECT_NE(rpc_.CallWithTicket("com.orvane.tarn.software.installed_image.get").raw.find(R"("net-driver":"1.1")"),
              std::string::npos);
}

// The configuration store and the audit log on one small file system, the task store on
// another, each filling up while an apply runs.
TEST_F(CrashRecoveryTest, OnAFullDiskWritesFailClearlyAndWhatWasThereStaysReadable)
{
    const std::string settingsDisk = root_.Path("/disk-a");
    const std::string tasksDisk = root_.Path("/disk-b");
    for (const std::string& disk : {settingsDisk, tasksDisk}) {
        std::filesystem::create_directories(disk);
        if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=2m") != 0) {
            GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
        }
    }
    for (const auto& [dir, disk] : {std::pair{"/etc/orvane/configstore", settingsDisk},
                                    std::pair{"/var/log/orvane", settingsDisk},
                                    std::pair{"/var/orvane/lifecycle", tasksDisk}}) {
        std::filesystem::remove_all(root_.Path(dir));
        std::filesystem::create_directories(disk + dir);
        std::filesystem::create_directory_symlink(disk + dir, root_.Path(dir));
    }
    SlowApply(1, {"time"});
    root_.WriteFile("/var/run/orvane/AuditApiCallEnabled", "");
    Start();

    const std::string configuration = "com.orvane.tarn.hostpref_daemon.configuration.";
    // Starts an apply setting "enabled"; returns once it runs.
    auto startApply = [&](const std::string& id, const std::string& enabled) {
        const std::string document =
            R"({"id": ")" + id + R"(", "profile": {"time": {"ntp": {"enabled": )" + enabled + "}}}}";
        rpc_.WaitTask(rpc_.StartTask(configuration + "check_apply", DesiredDocument(document)));
        const std::string task = rpc_.StartTask(configuration + "apply", R"({"document_id": ")" + id + "\"}");
        EXPECT_TRUE(WaitRunning(task));
        return task;
    };
    auto fill = [](const std::string& disk) {
        std::ofstream filler(disk + "/filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), block.size())) {
        }
    };
    ASSERT_EQ(At(rpc_.WaitTask(startApply("first", "true")), "/status"), "SUCCEEDED");
    const std::string store = root_.ReadFile("/etc/orvane/configstore/store.json");
    const std::string audit = root_.ReadFile("/var/log/orvane/audit.log");

    // The configuration store cannot be replaced: the task says why, the old store stays,
    // and the call's audit record is dropped whole.
    const std::string second = startApply("second", "false");
    fill(settingsDisk);
    rapidjson::Document failed = rpc_.WaitTask(second);
    EXPECT_EQ(At(failed, "/status"), "FAILED");
    EXPECT_EQ(At(failed, "/error/messages/0/id"), "com.orvane.tarn.task.unhandled.error");
    EXPECT_NE(At(failed, "/error/messages/0/localized").find("The configuration store cannot be written: "),
              std::string::npos);
    EXPECT_NE(At(failed, "/error/messages/0/localized").find("No space left on device"), std::string::npos);
    EXPECT_EQ(root_.ReadFile("/etc/orvane/configstore/store.json"), store);
    EXPECT_TRUE(DaemonProcess::WaitFor(
        [&] { return daemon_->Stderr().find("<0> Audit: cannot write to") != std::string::npos; }, 5s));
    const std::string auditNow = root_.ReadFile("/var/log/orvane/audit.log");
    EXPECT_EQ(auditNow.substr(0, audit.size()), audit);
    EXPECT_EQ(auditNow.back(), '\n') << "no partial record";
    std::filesystem::remove(settingsDisk + "/filler");

    // The task store cannot take the end of the next task: logged, and its record keeps its
    // last state for clients to read.
    const std::string third = startApply("third", "false");
    fill(tasksDisk);
    EXPECT_TRUE(DaemonProcess::WaitFor(
        [&] { return daemon_->Stderr().find("postRun failed") != std::string::npos; }, 10s));
    EXPECT_NE(daemon_->Stderr().find("database or disk is full"), std::string::npos);
    EXPECT_EQ(At(rpc_.CallWithTicket("com.orvane.hub.tasks.get", R"({"task":")" + third + "\"}").Result(),
                        "/status"),
              "RUNNING");
    std::filesystem::remove(tasksDisk + "/filler");

    EXPECT_EQ(At(rpc_.WaitTask(startApply("fourth", "false")), "/status"), "SUCCEEDED");
    Stop();
    for (const std::string& disk : {settingsDisk, tasksDisk}) umount2(disk.c_str(), MNT_DETACH);
}

}  // namespace
