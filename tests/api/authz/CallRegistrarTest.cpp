// The call registrar: one audit context per call, and "api.call" records by the process's
// audit switch. The switch is decided once per process, so each setting runs in a child.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "AuditLogReader.hpp"
#include "api/authz/AuditContext.hpp"
#include "api/authz/AuditSwitch.hpp"
#include "api/authz/CallRegistrar.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "support/TempHostRoot.hpp"

namespace {

using AuditTest::ReadAuditLog;
using AuditTest::RecordsOf;
namespace Core = Lumo::Core;

// Runs `body` in a forked child; its exit code is 0 when it returned true.
int RunInChild(const std::function<bool()>& body)
{
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The service stand-in: answers as told, and can defer its call record as a task does.
class Service : public Core::AsyncApiProvider {
public:
    std::string Name() const override { return "Service"; }
    void Invoke(const Core::MethodIdentifier& method, Lumo::Data::DataValuePtr,
                std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncApiResultCb resultCb) override
    {
        if (method.OperationId() == "start_task") {
            deferred = Api::AuditContext::Of(*activation);
            deferred->SetAuditEntry(Api::AuditContext::kMuteKey, "true");
        }
        if (method.OperationId() == "stream") {
            auto progress = Core::MethodResult::FromOutput(nullptr);
            progress.SetMoreFollows(true);
            resultCb(progress);
        }
        if (method.OperationId() == "fail") {
            resultCb(Core::MethodResult::FromError(Lumo::Data::ErrorValue::GetInstance("e")));
            return;
        }
        resultCb(Core::MethodResult::FromOutput(nullptr));
    }

    std::shared_ptr<Api::AuditContext> deferred;
};

void Call(Core::AsyncApiProvider& chain, const std::string& operation, std::optional<std::string> user = {})
{
    auto activation = Core::AsyncActivation::GetInstance({});
    if (user) {
        activation->authData = Core::AuthenticationData{*user, {}};
    }
    chain.Invoke({"com.orvane.hub.tasks", operation}, nullptr, activation, [](Core::MethodResult) {});
}

class CallRegistrarTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("HOSTPREFD_ROOT", root_.Dir().c_str(), 1); }
    void TearDown() override { ::unsetenv("HOSTPREFD_ROOT"); }

    TestSupport::TempHostRoot root_;
};

TEST_F(CallRegistrarTest, WithTheMarkerEachFinishedCallWritesOneRecord)
{
    root_.WriteFile(Api::AuditSwitch::kMarkerPath, "");
    int exitCode = RunInChild([this] {
        auto service = std::make_shared<Service>();
        Lumo::Observer::CallRegistrar registrar(service);
        // Decided once: removing the marker now changes nothing.
        ::unlink(root_.Path(Api::AuditSwitch::kMarkerPath).c_str());
        auto chain = std::make_shared<Lumo::Observer::CallRegistrar>(service);
        Call(*chain, "get", "alice");
        Call(*chain, "fail");
        Call(*chain, "start_task", "alice");
        size_t beforeTaskEnd = ReadAuditLog(root_.Dir()).size();
        Call(*chain, "stream", "bob");
        service->deferred->Complete(false);
        return Api::AuditSwitch::Current() == Api::AuditSwitch::kOn && beforeTaskEnd == 2;
    });
    ASSERT_EQ(exitCode, 0);

    auto calls = RecordsOf(ReadAuditLog(root_.Dir()), "api.call");
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].subject, "alice");
    EXPECT_EQ(calls[0].object, "com.orvane.hub.tasks:get");
    EXPECT_TRUE(calls[0].success);
    EXPECT_EQ(calls[1].subject, "");
    EXPECT_FALSE(calls[1].success);
    EXPECT_EQ(calls[2].object, "com.orvane.hub.tasks:stream");
    EXPECT_TRUE(calls[2].success);
    // The deferred call is recorded when its task ends, with the task's outcome.
    EXPECT_EQ(calls[3].object, "com.orvane.hub.tasks:start_task");
    EXPECT_FALSE(calls[3].success);
}

TEST_F(CallRegistrarTest, WithoutTheMarkerOnlyLoginRecordsAreWritten)
{
    int exitCode = RunInChild([this] {
        auto service = std::make_shared<Service>();
        auto chain = std::make_shared<Lumo::Observer::CallRegistrar>(service);
        root_.WriteFile(Api::AuditSwitch::kMarkerPath, "");
        auto activation = Core::AsyncActivation::GetInstance({});
        chain->Invoke({"com.orvane.hub.tasks", "get"}, nullptr, activation, [](Core::MethodResult) {});
        // A login seen by the same context still leaves its record.
        auto context = Api::AuditContext::Of(*activation);
        context->SetAuditEntry("AUTHN_EVENT_KEY", "service.lcticket.use");
        context->SetAuditEntry("AUTHN_SUBJECT_KEY", "@unknown");
        context->OnAuthentication(false);
        context->OnCallEnd(std::nullopt, false);
        return Api::AuditSwitch::Current() == Api::AuditSwitch::kOff;
    });
    ASSERT_EQ(exitCode, 0);

    auto records = ReadAuditLog(root_.Dir());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].event, "service.lcticket.use");
    EXPECT_FALSE(records[0].success);
}

}  // namespace
