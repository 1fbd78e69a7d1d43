// The desired-configuration and configuration-keys services of the real daemon, over HTTP on
// a temporary host root: what each task ends with, what the configuration store then holds,
// and what the client is told when the host refuses.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/DaemonTest.hpp"

using TestSupport::RpcAnswer;

namespace {

constexpr const char* kConfiguration = "com.orvane.tarn.hostpref_daemon.configuration.";
constexpr const char* kKeys = "com.orvane.tarn.configuration.components.groups.keys.";
constexpr const char* kStore = "/etc/orvane/configstore/store.json";
constexpr const char* kMaintenanceMode = "/var/run/orvane/maintenance-mode";

// Everything the fixture's schemas offer, set away from its defaults; the host name comes
// from this host's own entry and the syslog port from the override.
constexpr const char* kBaseline = R"({"id": "site-baseline-1",
  "profile": {
    "time": {"ntp": {"servers": ["ntp1.example.com", "ntp2.example.com"], "enabled": true}},
    "syslog": {"remote": {"host": "logs.example.com", "port": 1514}},
    "security": {"password_policy": {"min_length": 14, "lockout_attempts": 3}},
    "advanced": {"options": {"large_pages": false, "swap_enabled": false}}},
  "host-specific": {
    "4c4c4544-0042-3510-8052-b4c04f4b4e31": {"network": {"management": {"hostname": "esx-07.example.com"}}},
    "00000000-0000-0000-0000-000000000000": {"network": {"management": {"hostname": "other.example.com"}}}},
  "host-override": {"syslog": {"remote": {"port": 6514}}}})";

class ConfigurationServiceTest : public TestSupport::DaemonTest {
protected:
    static std::string Document(const std::string& json) { return DesiredDocument(json); }

    // Runs task operation `operation` of the configuration service to its end.
    rapidjson::Document RunTask(const std::string& operation, const std::string& params)
    {
        return rpc_.WaitTask(rpc_.StartTask(kConfiguration + operation, params));
    }

    rapidjson::Document Store() const
    {
        rapidjson::Document store;
        store.Parse(root_.ReadFile(kStore).c_str());
        return store;
    }
};

TEST_F(ConfigurationServiceTest, ValidationNamesEachRefusedSettingWhereTheDocumentSetsIt)
{
    Start();
    rapidjson::Document valid = RunTask("validate", Document(kBaseline));
    EXPECT_EQ(At(valid, "/status"), "SUCCEEDED");
    EXPECT_EQ(At(valid, "/result/status"), "VALID");
    EXPECT_EQ(valid["result"]["errors"].Size(), 0u);

    rapidjson::Document invalid = RunTask("validate", Document(R"({"profile": {
        "time": {"ntp": {"servers": ["ntp1.example.com", "bad host!"]}},
        "security": {"password_policy": {"min_length": 4}},
        "advanced": {"options": {"large_pages": "yes"}}},
      "host-override": {"syslog": {"remote": {"port": 70000}}}})"));
    EXPECT_EQ(At(invalid, "/status"), "SUCCEEDED");
    EXPECT_EQ(At(invalid, "/result/status"), "INVALID");
    std::set<std::string> refused;
    for (const auto& error : invalid["result"]["errors"].GetArray()) {
        refused.insert(At(error, "/path") + " " + At(error, "/messages/0/localized"));
    }
    EXPECT_EQ(refused,
              (std::set<std::string>{
                  "/profile/advanced/options/large_pages /advanced/options/large_pages: the value \"yes\" "
                  "is not of type boolean.",
                  "/profile/security/password_policy/min_length /security/password_policy/min_length: the "
                  "value 4 is less than the minimum 8.",
                  "/profile/time/ntp/servers/1 /time/ntp/servers/1: the value \"bad host!\" is not a valid "
                  "host name.",
                  "/host-override/syslog/remote/port /syslog/remote/port: the value 70000 is greater than "
                  "the maximum 65535.",
              }));

    // A component's plugin judges what its schema cannot: here the settings taken together.
    rapidjson::Document plugin = RunTask("validate", Document(R"({"profile": {"syslog": {"remote":
        {"host": "logs.example.com", "port": 514, "protocol": "tls"}}}})"));
    EXPECT_EQ(At(plugin, "/status"), "FAILED");
    EXPECT_EQ(
        At(plugin, "/error/messages/0/localized"),
        "The validation plugin of syslog failed: TLS to a collector needs a port other than 514, the plain "
        "syslog port");

    // Documents the configuration manager cannot read fail the task with its catalogue text.
    rapidjson::Document unknown =
        RunTask("validate", Document(R"({"profile": {"nosuch": {"g": {"k": 1}}}})"));
    EXPECT_EQ(At(unknown, "/status"), "FAILED");
    EXPECT_EQ(At(unknown, "/error/messages/0/id"), "com.orvane.tarn.settings.configmanager.schema-not-found");
    EXPECT_EQ(At(unknown, "/error/messages/0/localized"), "Schema object not found: nosuch");
    rapidjson::Document garbled = RunTask("check_compliance", Document("{\"profile\": "));
    EXPECT_EQ(At(garbled, "/error/messages/0/localized"), "Failed to parse JSON String");
}

TEST_F(ConfigurationServiceTest, CheckApplyApplyThenTheHostIsCompliantAndItsExportReappliesUnchanged)
{
    root_.WriteFile(kMaintenanceMode, "");
    Start();
    rapidjson::Document checked = RunTask("check_apply", Document(kBaseline));
    ASSERT_EQ(At(checked, "/status"), "SUCCEEDED") << At(checked, "/error/messages/0/localized");
    EXPECT_EQ(At(checked, "/result/status"), "NON_COMPLIANT");
    EXPECT_EQ(At(checked, "/result/info/document_id"), "site-baseline-1");
    std::set<std::string> impacts;
    for (const auto& impact : checked["result"]["info"]["impact"].GetArray()) {
        impacts.insert(At(impact, "/path") + " " + At(impact, "/impact"));
    }
    EXPECT_EQ(impacts,
              (std::set<std::string>{"/profile/advanced/options/large_pages REBOOT_REQUIRED",
                                     "/profile/advanced/options/swap_enabled MAINTENANCE_MODE_REQUIRED"}));

    rapidjson::Document applied = RunTask("apply", R"({"document_id": "site-baseline-1"})");
    ASSERT_EQ(At(applied, "/status"), "SUCCEEDED") << At(applied, "/error/messages/0/localized");
    EXPECT_EQ(At(applied, "/result/status"), "REBOOT_REQUIRED");
    EXPECT_EQ(applied["progress"]["completed"].GetInt(), 95);
    rapidjson::Document store = Store();
    EXPECT_EQ(store["generation"].GetUint64(), 1u);
    EXPECT_EQ(store["config"]["syslog"]["remote"]["port"].GetInt(), 6514);
    EXPECT_EQ(At(store, "/config/network/management/hostname"), "esx-07.example.com");

    rapidjson::Document compliance = RunTask("check_compliance", Document(kBaseline));
    EXPECT_EQ(At(compliance, "/result/status"), "COMPLIANT");

    RpcAnswer exported = rpc_.CallWithTicket(std::string(kConfiguration) + "export");
    ASSERT_EQ(exported.errorName, "") << exported.raw;
    const std::string document = At(exported.Result(), "/document");
    EXPECT_FALSE(root_.Exists("/var/orvane/lifecycle/lifecycle.task")) << "the export released the host";
    EXPECT_EQ(At(RunTask("validate", Document(document)), "/result/status"), "VALID") << document;
    rapidjson::Document again = RunTask("check_apply", Document(document));
    EXPECT_EQ(At(again, "/result/status"), "COMPLIANT") << document;
    rapidjson::Document reapplied = RunTask(
        "apply", R"({"document_id":)" + TestSupport::JsonString(At(again, "/result/info/document_id")) + "}");
    EXPECT_EQ(At(reapplied, "/result/status"), "SUCCESS");
    EXPECT_TRUE(Store()["config"] == store["config"]);
}

TEST_F(ConfigurationServiceTest, ApplyIsRefusedOutsideMaintenanceModeAndForAnotherDocument)
{
    Start();
    ASSERT_EQ(At(RunTask("check_apply", Document(kBaseline)), "/status"), "SUCCEEDED");
    rapidjson::Document refused = RunTask("apply", R"({"document_id": "site-baseline-1"})");
    EXPECT_EQ(At(refused, "/status"), "FAILED");
    EXPECT_EQ(At(refused, "/error/messages/0/id"),
              "com.orvane.tarn.hostpref_daemon.configuration.apply.host_not_in_mm.error");
    EXPECT_EQ(At(refused, "/error/messages/0/localized"),
              "The host must be in maintenance mode to apply this configuration.");
    EXPECT_FALSE(root_.Exists(kStore));

    // The refused apply used up the assessment: the same id now names nothing.
    root_.WriteFile(kMaintenanceMode, "");
    rapidjson::Document stale = RunTask("apply", R"({"document_id": "site-baseline-1"})");
    EXPECT_EQ(At(stale, "/error/messages/0/id"),
              "com.orvane.tarn.hostpref_daemon.configuration.apply.invalid_specid.error");
    EXPECT_FALSE(root_.Exists(kStore));
}

TEST_F(ConfigurationServiceTest, OneTaskAtATimeAndACancelledApplyLeavesTheStoreAsItWas)
{
    // Applying each component takes two seconds, so the apply can be caught while it runs.
    SlowApply(2, {"time", "syslog", "security"});
    root_.WriteFile(kMaintenanceMode, "");
    Start();
    ASSERT_EQ(At(RunTask("check_apply", Document(kBaseline)), "/status"), "SUCCEEDED");
    const std::string apply =
        rpc_.StartTask(std::string(kConfiguration) + "apply", R"({"document_id": "site-baseline-1"})");
    const size_t tasks = rpc_.CallWithTicket("com.orvane.hub.tasks.list").Result().MemberCount();

    RpcAnswer second = rpc_.CallWithTicket(std::string(kConfiguration) + "validate", Document(kBaseline));
    EXPECT_EQ(second.errorName, "com.orvane.lumo.std.errors.not_allowed_in_current_state") << second.raw;
    EXPECT_EQ(second.ErrorId(), "com.orvane.tarn.task.contention");
    EXPECT_EQ(rpc_.CallWithTicket("com.orvane.hub.tasks.list").Result().MemberCount(), tasks)
        << "no task was made";

    EXPECT_EQ(rpc_.CallWithTicket("com.orvane.hub.tasks.cancel", R"({"task":")" + apply + "\"}").errorName,
              "");
    rapidjson::Document cancelled = rpc_.WaitTask(apply);
    EXPECT_EQ(At(cancelled, "/status"), "FAILED");
    EXPECT_EQ(At(cancelled, "/error/messages/0/id"), "com.orvane.tarn.settings.apply.cancelled");
    EXPECT_FALSE(root_.Exists(kStore)) << root_.ReadFile(kStore);
    EXPECT_EQ(At(RunTask("validate", Document(kBaseline)), "/status"), "SUCCEEDED")
        << "the host is free again";
}

TEST_F(ConfigurationServiceTest, BootApplyInformationComesFromWhatTheBootLeft)
{
    Start();
    const std::string method = std::string(kConfiguration) + "get_boot_apply_info";
    EXPECT_EQ(At(rpc_.CallWithTicket(method).Result(), "/status"), "NOT_RUN");
    const std::string file = "/var/run/orvane/configmanager/boot-apply.json";
    root_.WriteFile(file, R"({"status": 2, "failures": [{"time": 1796256000, "messages": [{"id":
        "com.orvane.tarn.settings.apply.plugin", "text": "-", "args": ["syslog", "collector unreachable"]}]}]})");
    RpcAnswer failed = rpc_.CallWithTicket(method);
    EXPECT_EQ(At(failed.Result(), "/status"), "FAILED") << failed.raw;
    EXPECT_EQ(At(failed.Result(), "/errors/0/time"), "2026-12-03T00:00:00.000Z");
    EXPECT_EQ(At(failed.Result(), "/errors/0/messages/0/localized"),
              "The apply plugin of syslog failed: collector unreachable");
    root_.WriteFile(file, R"({"status": 4})");
    EXPECT_EQ(rpc_.CallWithTicket(method).ErrorId(),
              "com.orvane.tarn.hostpref_daemon.configuration.get_boot_apply_info.error");
}

class KeysServiceTest : public ConfigurationServiceTest {
protected:
    RpcAnswer Key(const std::string& operation, const std::string& key, const std::string& extra = "",
                  const std::string& ticket = "")
    {
        const std::string component = key.substr(0, key.find('/'));
        const std::string group = key.substr(component.size() + 1, key.rfind('/') - component.size() - 1);
        const std::string params = R"({"component":")" + component + R"(","group":")" + group +
                                   R"(","key":")" + key.substr(key.rfind('/') + 1) + "\"" + extra + "}";
        return rpc_.CallWithTicket(kKeys + operation, params, ticket);
    }

    rapidjson::Document Change(const std::string& operation, const std::string& key,
                               const std::string& extra = "")
    {
        RpcAnswer started = Key(operation, key, extra);
        EXPECT_EQ(started.errorName, "") << started.raw;
        return rpc_.WaitTask(started.Result().GetString());
    }

    std::string Value(const std::string& key) { return At(Key("get", key).Result(), "/value"); }
};

TEST_F(KeysServiceTest, GetSetAndDeleteOneKeyWithinWhatTheHostAllows)
{
    Start();
    EXPECT_EQ(Value("time/ntp/enabled"), "false");
    EXPECT_EQ(At(Change("set", "time/ntp/enabled", R"(,"value":"true")"), "/result/status"), "UPDATED");
    EXPECT_EQ(Value("time/ntp/enabled"), "true");
    EXPECT_EQ(At(Change("set", "time/ntp/enabled", R"(,"value":"true")"), "/result/status"), "UNCHANGED");

    rapidjson::Document invalid = Change("set", "security/password_policy/min_length", R"(,"value":"4")");
    EXPECT_EQ(At(invalid, "/status"), "FAILED");
    EXPECT_EQ(
        At(invalid, "/error/messages/0/localized"),
        "The value for the configuration key is not valid: /security/password_policy/min_length: the value 4 "
        "is less than the minimum 8.");

    EXPECT_EQ(At(Change("delete", "time/ntp/enabled"), "/result/status"), "UPDATED");
    EXPECT_EQ(Value("time/ntp/enabled"), "false");
    EXPECT_EQ(At(Change("delete", "time/ntp/enabled"), "/result/status"), "UNCHANGED");

    rapidjson::Document swap = Change("set", "advanced/options/swap_enabled", R"(,"value":"false")");
    EXPECT_EQ(At(swap, "/error/messages/0/id"),
              "com.orvane.tarn.hostpref_daemon.configuration.apply.host_not_in_mm.error");
    std::remove(root_.Path("/var/run/orvane/nbm").c_str());
    rapidjson::Document pending = Change("set", "time/ntp/enabled", R"(,"value":"true")");
    EXPECT_EQ(At(pending, "/error/messages/0/id"),
              "com.orvane.tarn.hostpref_daemon.configuration.apply.host_not_in_nbm.error");
    EXPECT_EQ(Value("time/ntp/enabled"), "false");
}

TEST_F(KeysServiceTest, TheConsoleUserAndClosedKeysAreRefused)
{
    Start();
    for (const char* operation : {"get", "set", "delete"}) {
        const std::string value = operation == std::string("set") ? R"(,"value":"true")" : "";
        RpcAnswer console = Key(operation, "time/ntp/enabled", value, "hostcon");
        EXPECT_EQ(console.errorName, "com.orvane.lumo.std.errors.unauthorized") << console.raw;
        EXPECT_EQ(console.ErrorText(), "The user is not allowed to access configuration keys.");
    }
    const std::string invalid = "com.orvane.lumo.std.errors.invalid_argument";
    EXPECT_EQ(Key("get", "security/password_policy/lockout_attempts").errorName, invalid);
    EXPECT_EQ(Key("set", "advanced/options/large_pages", R"(,"value":"false")").errorName, invalid);
    EXPECT_EQ(Key("get", "syslog/remote/protocol").errorName, invalid);
    EXPECT_EQ(Key("get", "syslog/remote/nosuch").ErrorId(),
              "com.orvane.tarn.configuration.components.groups.keys.invalidargument.error");
    const std::string log = daemon_->Stderr();
    EXPECT_NE(log.find("<0> Access Denied!"), std::string::npos);
    EXPECT_NE(log.find("<2> advanced/options/large_pages hostAPI=LargePagesHostApi(DISABLED)"),
              std::string::npos);
    EXPECT_NE(log.find("<0> Unknown FSS in hostAPI: 'SyslogTlsHostApi'"), std::string::npos);

    std::string features = root_.ReadFile("/etc/orvane/features");
    features.replace(features.find("LargePagesHostApi disabled"), 26, "LargePagesHostApi enabled");
    root_.WriteFile("/etc/orvane/features", features);
    Restart();
    EXPECT_EQ(Value("advanced/options/large_pages"), "true");

    features.replace(features.find("HostApiKeys     enabled"), 23, "HostApiKeys     disabled");
    root_.WriteFile("/etc/orvane/features", features);
    Restart();
    EXPECT_EQ(Key("get", "time/ntp/enabled").errorName, "com.orvane.lumo.std.errors.operation_not_found");
    // The filters' errors, too, read as the catalogues have them.
    RpcAnswer elsewhere =
        rpc_.CallWithTicket("com.orvane.tarn.host_settings.depots.list", R"({"host":"elsewhere"})");
    EXPECT_EQ(elsewhere.ErrorText(), "Host parameter value elsewhere is not valid. It should be localhost.");
}

}  // namespace
