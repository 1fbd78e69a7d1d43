// DaemonTest: a fixture for tests of the real daemon on a temporary host root: starting,
// stopping and restarting it, reading its log, replacing host tools, and following tasks
// through a direct-form RpcClient. Header-only; one per test.
#pragma once

#include <gtest/gtest.h>
#include <rapidjson/pointer.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "support/DaemonProcess.hpp"
#include "support/RpcClient.hpp"
#include "support/TempHostRoot.hpp"

namespace TestSupport {

class DaemonTest : public ::testing::Test {
protected:
    // Starts the daemon and waits until it listens.
    void Start()
    {
        daemon_ = std::make_unique<DaemonProcess>(root_);
        ASSERT_TRUE(daemon_->WaitListening(root_.Port())) << daemon_->Stderr();
    }

    // Ends the daemon with SIGTERM; it must exit 0 within `exitWithin_`.
    void Stop()
    {
        EXPECT_EQ(daemon_->ExitCodeAfterTerm(exitWithin_), 0) << daemon_->Stderr();
        daemon_.reset();
    }

    void Restart()
    {
        Stop();
        Start();
    }

    void TearDown() override
    {
        if (daemon_) Stop();
    }

    // Whether the daemon logged `line` whole (the call's context may follow it).
    bool Logged(const std::string& line) const
    {
        const std::string log = daemon_->Stderr();
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) {
            const size_t end = at + line.size();
            if (end == log.size() || log[end] == '\n' || log.compare(end, 2, " {") == 0) return true;
        }
        return false;
    }

    void WriteExecutable(const std::string& hostPath, const std::string& content) const
    {
        root_.WriteFile(hostPath, content);
        chmod(root_.Path(hostPath).c_str(), 0755);
    }

    // Makes applying each of `components` run a plugin that sleeps `seconds`.
    void SlowApply(int seconds, const std::vector<std::string>& components) const
    {
        const std::string plugin = "/usr/lib/orvane/configmanager/plugins/slow-apply";
        WriteExecutable(plugin, "#!/bin/sh\nsleep " + std::to_string(seconds) + "\n");
        for (const std::string& component : components) {
            const std::string schema = "/usr/lib/orvane/configmanager/schemas/" + component + ".json";
            std::string text = root_.ReadFile(schema);
            text.insert(text.find('{') + 1, "\"x-apply-plugin\": \"" + plugin + "\",");
            root_.WriteFile(schema, text);
        }
    }

    // Waits until task `id` is RUNNING; false after 10 s.
    bool WaitRunning(const std::string& id)
    {
        return DaemonProcess::WaitFor(
            [&] { return rpc_.CallWithTicket("com.orvane.hub.tasks.get", R"({"task":")" + id + "\"}").Mentions("RUNNING"); },
            std::chrono::seconds(10));
    }

    // The parameters of a configuration operation that takes the desired document `json`.
    static std::string DesiredDocument(const std::string& json)
    {
        return R"({"desired_document":)" + JsonString(json) + "}";
    }

    // The string at JSON pointer `pointer` in `value`; "<none>" when there is none.
    static std::string At(const rapidjson::Value& value, const char* pointer)
    {
        const rapidjson::Value* found = rapidjson::Pointer(pointer).Get(value);
        return found != nullptr && found->IsString() ? found->GetString() : "<none>";
    }

    TempHostRoot root_;
    std::unique_ptr<DaemonProcess> daemon_;
    RpcClient rpc_{root_, RpcClient::Form::kDirect};
    std::chrono::milliseconds exitWithin_ = std::chrono::seconds(6);
};

}  // namespace TestSupport
