// The provider chain inside the real daemon: which services each kind of host serves, who
// may call them, and what the audit log keeps of the calls.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "../api/authz/AuditLogReader.hpp"
#include "api/authn/TokenHandler.hpp"
#include "support/DaemonTest.hpp"

using TestSupport::RpcAnswer;

namespace {

constexpr const char* kTokenKey = "0123456789abcdef0123456789abcdef-chain-test";

class ProviderChainTest : public TestSupport::DaemonTest {
protected:
    RpcAnswer Call(const std::string& method, const std::string& params = "{}",
                   const std::string& security = "")
    {
        return TestSupport::CallRpc(root_.Port(), method, params, security);
    }

    static std::string UserPass(const std::string& user, const std::string& password)
    {
        return TestSupport::RpcClient::UserPass(user, password);
    }

    std::string Token(std::set<std::string, std::less<>> entitlements) const
    {
        Tarn::Authn::TokenHandler::Claims claims{"dpu-agent", std::move(entitlements),
                                                 static_cast<int64_t>(std::time(nullptr)) + 3600};
        return R"({"bearerToken":")" + Tarn::Authn::TokenHandler::Issue(claims, kTokenKey) + R"("})";
    }

    std::vector<AuditTest::AuditRecord> Records(const std::string& event) const
    {
        return AuditTest::RecordsOf(AuditTest::ReadAuditLog(root_.Dir()), event);
    }

};

std::vector<std::string> Strings(const rapidjson::Value& list)
{
    std::vector<std::string> out;
    for (const auto& item : list.GetArray()) out.emplace_back(item.GetString());
    std::sort(out.begin(), out.end());
    return out;
}

const std::vector<std::string> kFrameworkServices = {
    "com.orvane.lumo.std.introspection.operation",      "com.orvane.lumo.std.introspection.provider",
    "com.orvane.lumo.std.introspection.service",        "com.orvane.lumo.std.metadata.authentication.service",
    "com.orvane.lumo.std.metadata.cli.command",         "com.orvane.lumo.std.metadata.cli.namespace",
    "com.orvane.lumo.std.metadata.metamodel.component", "com.orvane.lumo.std.metadata.metamodel.service",
};

// The daemon's services on every kind of host whose feature list opens the keys service.
const std::vector<std::string> kDaemonServices = {
    "com.orvane.hub.tasks",
    "com.orvane.tarn.configuration.components.groups.keys",
    "com.orvane.tarn.host_settings.depots",
    "com.orvane.tarn.host_settings.software",
    "com.orvane.tarn.host_settings.software.components",
    "com.orvane.tarn.host_settings.software.tarn",
    "com.orvane.tarn.hostpref_daemon.capabilities",
    "com.orvane.tarn.hostpref_daemon.components",
    "com.orvane.tarn.hostpref_daemon.configuration",
    "com.orvane.tarn.hostpref_daemon.data_processing_unit.tarncli",
    "com.orvane.tarn.hostpref_daemon.software",
    "com.orvane.tarn.hostpref_daemon.solutions",
    "com.orvane.tarn.hosts.settings",
    "com.orvane.tarn.hosts.software.components",
    "com.orvane.tarn.hosts.software.tarn",
    "com.orvane.tarn.software.installed_components",
    "com.orvane.tarn.software.installed_image",
    "com.orvane.tarn.software.installed_quarns",
};

std::vector<std::string> WithFramework(std::vector<std::string> daemonServices)
{
    daemonServices.insert(daemonServices.end(), kFrameworkServices.begin(), kFrameworkServices.end());
    std::sort(daemonServices.begin(), daemonServices.end());
    return daemonServices;
}

}  // namespace

TEST_F(ProviderChainTest, IntrospectionNeedsNoCredentialsAndListsWhatThisHostServes)
{
    Start();
    RpcAnswer services = Call("com.orvane.lumo.std.introspection.service.list");
    ASSERT_EQ(services.errorName, "") << services.raw;
    EXPECT_EQ(Strings(services.Result()), WithFramework(kDaemonServices));

    RpcAnswer provider = Call("com.orvane.lumo.std.introspection.provider.get");
    ASSERT_EQ(provider.errorName, "") << provider.raw;
    EXPECT_NE(provider.raw.find("\"AsyncLocalProvider\""), std::string::npos) << provider.raw;

    RpcAnswer unknown = Call("com.orvane.lumo.std.introspection.provider.nothing");
    EXPECT_EQ(unknown.errorName, "com.orvane.lumo.std.errors.operation_not_found");
    EXPECT_TRUE(unknown.Mentions(R"("__originator__":"quarn[tarn-base-8.0.1]")")) << unknown.raw;
}

TEST_F(ProviderChainTest, ProtectedServicesNeedAUserAndTicketsWorkOnce)
{
    Start();
    RpcAnswer anonymous = Call("com.orvane.hub.tasks.get", R"({"task":"no-such-task"})");
    EXPECT_EQ(anonymous.errorName, "com.orvane.lumo.std.errors.unauthenticated") << anonymous.raw;
    EXPECT_EQ(daemon_->Stderr().find("Getting the task"), std::string::npos) << "the service was reached";

    root_.WriteFile("/var/run/orvane/tickets/chain-ticket-1", "Lifecycle");
    const std::string ticket = UserPass("chain-ticket-1", "chain-ticket-1");
    RpcAnswer first = Call("com.orvane.hub.tasks.get", R"({"task":"no-such-task"})", ticket);
    EXPECT_EQ(first.errorName, "com.orvane.lumo.std.errors.not_found") << first.raw;
    EXPECT_TRUE(first.Mentions("com.orvane.tarn.task.notfound.error")) << first.raw;
    EXPECT_TRUE(first.Mentions(R"("__originator__":"quarn[tarn-base-8.0.1]")")) << first.raw;
    RpcAnswer again = Call("com.orvane.hub.tasks.get", R"({"task":"no-such-task"})", ticket);
    EXPECT_EQ(again.errorName, "com.orvane.lumo.std.errors.unauthenticated");
    EXPECT_TRUE(again.Mentions("Invalid lifecycle ticket")) << again.raw;
    EXPECT_EQ(Records("service.lcticket.use").size(), 2u);
}

TEST_F(ProviderChainTest, CallRecordsFollowTheAuditMarkerPresentAtStart)
{
    Start();
    Call("com.orvane.lumo.std.introspection.service.list");
    Call("com.orvane.hub.tasks.list");
    Stop();
    EXPECT_TRUE(Records("api.call").empty());
    EXPECT_EQ(Records("service.access.denied").size(), 1u)
        << "refusals are recorded whatever the marker says";

    root_.WriteFile("/var/run/orvane/AuditApiCallEnabled", "");
    Start();
    Call("com.orvane.lumo.std.introspection.service.list");
    Call("com.orvane.hub.tasks.list");
    auto calls = Records("api.call");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].object, "com.orvane.lumo.std.introspection.service:list");
    EXPECT_TRUE(calls[0].success);
    EXPECT_EQ(calls[1].object, "com.orvane.hub.tasks:list");
    EXPECT_FALSE(calls[1].success);
}

TEST_F(ProviderChainTest, EntitlementHostAuthenticatesByTokenAndChecksEntitlements)
{
    root_.WriteFile("/etc/.tarnio", "");
    root_.WriteFile("/etc/orvane/hostprefd/token.key", kTokenKey);
    root_.WriteFile("/var/run/orvane/AuditApiCallEnabled", "");
    Start();
    RpcAnswer services = Call("com.orvane.lumo.std.introspection.service.list");
    ASSERT_EQ(services.errorName, "") << services.raw;
    std::vector<std::string> dpuServices = kDaemonServices;
    dpuServices.push_back("com.orvane.tarn.hostpref_daemon.data_processing_unit.configuration");
    EXPECT_EQ(Strings(services.Result()), WithFramework(dpuServices));

    RpcAnswer reader =
        Call("com.orvane.hub.tasks.get", R"({"task":"no-such-task"})", Token({"HostSettings.Read"}));
    EXPECT_EQ(reader.errorName, "com.orvane.lumo.std.errors.not_found") << reader.raw;

    RpcAnswer nobody =
        Call("com.orvane.hub.tasks.get", R"({"task":"no-such-task"})", Token({"Something.Else"}));
    EXPECT_EQ(nobody.errorName, "com.orvane.lumo.std.errors.unauthorized") << nobody.raw;
    auto denied = Records("service.access.denied");
    ASSERT_EQ(denied.size(), 1u);
    EXPECT_EQ(denied[0].subject, "dpu-agent");
    EXPECT_EQ(denied[0].object, "com.orvane.hub.tasks:get");
    EXPECT_TRUE(Records("api.call").empty()) << "entitlement hosts write no call records";
}
