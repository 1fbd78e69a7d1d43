#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <set>

#include "../platform/host/LogCapture.hpp"
#include "api/authz/AuditContext.hpp"
#include "api/authz/AuditSwitch.hpp"
#include "api/authz/CallRegistrar.hpp"
#include "platform/host/configmanager/CMErrorCodes.hpp"
#include "platform/lumo/DataValues.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"
#include "tasks/ConfigManagerTaskImpl.hpp"
#include "tasks/ConfigStoreErrorTable.hpp"
#include "tasks/TaskSchedularImpl.hpp"
#include "TaskTestSupport.hpp"

namespace {

using LifeCycle::ConfigManagerTaskImpl;
using LifeCycle::TaskSchedularImpl;
using TaskTest::Gate;
using namespace Lumo::Data;
namespace Errors = Com::Orvane::Lumo::Std::Errors;

// A configuration task whose Run is the test's.
class ProbeTask : public ConfigManagerTaskImpl {
public:
    using Body = std::function<void(ProbeTask&)>;

    ProbeTask(const std::string& id, Body body, std::shared_ptr<Api::AuditContext> audit = nullptr)
        : ConfigManagerTaskImpl("probe", id, std::move(audit)), body_(std::move(body))
    {
    }
    void Run() override { body_(*this); }

    using ConfigManagerTaskImpl::MakeTaskHandle;
    using ConfigManagerTaskImpl::SetErrorValue;
    using ConfigManagerTaskImpl::SetProgress;
    using ConfigManagerTaskImpl::SetResult;

private:
    Body body_;
};

// A value nested deeper than a reader of the store accepts.
DataValuePtr TooDeep()
{
    DataValuePtr value = StringValue::Create("bottom");
    for (size_t depth = 0; depth < Lumo::Protocol::Json::TaggedJsonCodec::kMaxDepth + 2; ++depth) {
        value = ListValue::Create({value});
    }
    return value;
}

DataValuePtr SmallResult()
{
    auto result = StructValue::Create("com.orvane.tarn.hostpref_daemon.configuration.apply_result");
    result->SetField("status", IntegerValue::Create(1));
    return result;
}

// An error value with one message as "name id [args] localized".
std::string ErrorText(const ErrorValuePtr& error)
{
    if (error == nullptr) return "no error";
    auto messages = ValueCast<ListValue>(error->GetField(ErrorValue::kMessagesField));
    if (messages == nullptr || messages->Size() != 1) return error->Name() + " without exactly one message";
    auto message = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*messages->Items()[0]);
    if (!message) return error->Name() + " with a malformed message";
    std::string args;
    for (const std::string& arg : message->args) args += (args.empty() ? "" : ",") + arg;
    return error->Name() + " " + message->id + " [" + args + "] " + message->localized;
}

// The one message of a stored error value, with the error's name in front: "name id [args] localized".
std::string StoredError(const std::string& json)
{
    auto decoded = Lumo::Protocol::Json::TaggedJsonCodec::Decode(json);
    if (!decoded.Ok()) return "undecodable: " + json;
    return ErrorText(ValueCast<ErrorValue>(decoded.value));
}

class ConfigManagerTaskImplTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TaskTest::ResetHostRoot();
        // The switch is decided once per process, by the first test here.
        std::filesystem::create_directories(TaskTest::SharedRoot().File("var/run/orvane"));
        std::ofstream(TaskTest::SharedRoot().File("var/run/orvane/AuditApiCallEnabled"));
        ASSERT_EQ(Api::AuditSwitch::Decide(), Api::AuditSwitch::kOn);
        TaskTest::Store()->CreateTask("t-1", 5);
        ASSERT_EQ(scheduler_.Start(), 0);
    }

    // Runs `task` through the scheduler to the end.
    void RunToEnd(std::shared_ptr<ConfigManagerTaskImpl> task)
    {
        ASSERT_EQ(scheduler_.Submit(std::move(task)), 0);
        ASSERT_TRUE(TaskTest::Eventually([this] { return scheduler_.GetState() == TaskSchedularImpl::kIdle; }));
    }

    ::TaskDB::TaskInfo Record() { return TaskTest::Store()->GetTask("t-1"); }

    std::shared_ptr<Api::AuditContext> StartedCall()
    {
        auto audit = std::make_shared<Api::AuditContext>(Lumo::Core::MethodIdentifier("svc", "apply"),
                                                         &Lumo::Observer::CallRegistrar::ObserveCallEnd);
        audit->SetAuditEntry("AUTHN_EVENT_KEY", "service.lcticket.use");
        return audit;
    }

    std::string AuditLog()
    {
        std::ifstream in(TaskTest::SharedRoot().File("var/log/orvane/audit.log"));
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    TaskSchedularImpl scheduler_;
};

TEST_F(ConfigManagerTaskImplTest, SucceededTaskStoresResultAndWritesTheDeferredCallRecord)
{
    auto audit = StartedCall();
    ::TaskDB::TaskInfo atStart;
    auto task = std::make_shared<ProbeTask>("t-1", [&](ProbeTask& self) {
        atStart = TaskTest::Store()->GetTask("t-1");
        self.SetProgress(10);
        self.MakeTaskHandle(10, 90)->UpdateProgress(50);
        self.SetResult(SmallResult());
    }, audit);
    EXPECT_EQ(audit->Get(Api::AuditContext::kMuteKey), "true");
    audit->OnCallEnd(std::string("root"), true);
    EXPECT_EQ(AuditLog().find("api.call"), std::string::npos) << "the call record waits for the task";

    RunToEnd(task);

    EXPECT_EQ(atStart.status, "RUNNING");
    EXPECT_EQ(atStart.completed, 5);
    const auto record = Record();
    EXPECT_EQ(record.status, "SUCCEEDED");
    EXPECT_EQ(record.completed, 50);
    EXPECT_TRUE(record.errorText.empty());
    auto result = Lumo::Protocol::Json::TaggedJsonCodec::Decode(record.result);
    ASSERT_TRUE(result.Ok()) << record.result;
    EXPECT_TRUE(Equal(result.value, SmallResult()));

    EXPECT_FALSE(audit->Has(Api::AuditContext::kMuteKey));
    EXPECT_EQ(audit->Get("result"), "true");
    const std::string log = AuditLog();
    EXPECT_NE(log.find("\"event\":\"api.call\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"subject\":\"root\""), std::string::npos) << log;
}

TEST_F(ConfigManagerTaskImplTest, FailuresAreStoredAsErrorValuesWithWhateverResultSerializes)
{
    const auto recorded = ConfigManagerTaskImpl::MakeError(Errors::NotAllowedInCurrentState, "cm.not.now", {"x"});
    struct Case {
        const char* name;
        ProbeTask::Body body;
        std::string error;  // StoredError form
        bool keepsResult;
    };
    const std::string unhandled = std::string(Errors::InternalServerError.Name()) + " " + TaskTest::kCataloguedId;
    const Case cases[] = {
        {"run throws", [](ProbeTask&) { throw std::runtime_error("boom"); },
         unhandled + " [boom] An unexpected error occurred: boom", false},
        {"error with partial result",
         [&](ProbeTask& self) {
             self.SetResult(SmallResult());
             self.SetErrorValue(recorded);
         },
         ErrorText(recorded), true},
        {"result too deep", [](ProbeTask& self) { self.SetResult(TooDeep()); },
         std::string(Errors::InternalServerError.Name()) + " " + ConfigManagerTaskImpl::kResultErrorId +
             " [] Unknown message.",
         false},
        {"error and result too deep",
         [&](ProbeTask& self) {
             self.SetResult(TooDeep());
             self.SetErrorValue(recorded);
         },
         ErrorText(recorded), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TaskTest::ResetHostRoot();
        TaskTest::Store()->CreateTask("t-1", 5);
        auto audit = StartedCall();
        auto task = std::make_shared<ProbeTask>("t-1", c.body, audit);
        audit->OnCallEnd(std::nullopt, true);
        RunToEnd(std::move(task));
        const auto record = Record();
        EXPECT_EQ(record.status, "FAILED");
        EXPECT_EQ(StoredError(record.errorText), c.error);
        EXPECT_EQ(!record.result.empty(), c.keepsResult) << record.result;
        EXPECT_EQ(audit->Get("result"), "false");
    }
}

TEST_F(ConfigManagerTaskImplTest, AbortByIdCancelsTheHandlesOfThatTaskOnly)
{
    Gate handed;
    std::shared_ptr<TarnConfigManager::TaskHandle> handle;
    auto task = std::make_shared<ProbeTask>("t-1", [&](ProbeTask& self) {
        handle = self.MakeTaskHandle(10, 90);
        handed.Open();
        TaskTest::Eventually([&] { return handle->IsCancelled(); });
        self.SetResult(StringValue::Create("stopped early"));
    });
    ASSERT_EQ(scheduler_.Submit(task), 0);
    ASSERT_TRUE(handed.Wait());
    EXPECT_EQ(scheduler_.Abort("t-2"), 0);
    EXPECT_FALSE(handle->IsCancelled());
    EXPECT_EQ(scheduler_.Abort("t-1"), 1);
    ASSERT_TRUE(TaskTest::Eventually([this] { return scheduler_.GetState() == TaskSchedularImpl::kIdle; }));
    // The library stops cooperatively; what it leaves is the task's outcome.
    EXPECT_EQ(Record().status, "SUCCEEDED");
}

TEST_F(ConfigManagerTaskImplTest, TaskAbortedAtShutdownEndsFailedWithoutPostRun)
{
    auto audit = StartedCall();
    auto task = std::make_shared<ProbeTask>("t-1", [](ProbeTask& self) {
        self.SetErrorValue(ConfigManagerTaskImpl::MakeError(Errors::Error, "cm.partial"));
        auto handle = self.MakeTaskHandle(10, 90);
        TaskTest::Eventually([&] { return handle->IsCancelled(); });
    }, audit);
    audit->OnCallEnd(std::nullopt, true);
    ASSERT_EQ(scheduler_.Submit(task), 0);
    ASSERT_TRUE(TaskTest::Eventually([this] { return Record().status == "RUNNING"; }));
    scheduler_.Stop();

    const auto record = Record();
    EXPECT_EQ(record.status, "FAILED");
    EXPECT_EQ(StoredError(record.errorText),
              std::string(Errors::InternalServerError.Name()) + " com.orvane.tarn.task.aborted [] Unknown message.");
    EXPECT_TRUE(audit->Has(Api::AuditContext::kMuteKey)) << "PostRun never ran";
    EXPECT_NE(ErrorText(task->GetError()).find("cm.partial"), std::string::npos) << "the run's own error stays";
}

TEST_F(ConfigManagerTaskImplTest, StoreFailuresInPostRunAndMarkAbortedAreLoggedNotThrown)
{
    ProbeTask stranger("missing", [](ProbeTask&) {});
    LogCapture log;
    EXPECT_NO_THROW(stranger.PostRun());
    EXPECT_NO_THROW(stranger.MarkAborted());
    const std::string lines = log.Take();
    EXPECT_NE(lines.find("ConfigManagerTask[probe:missing]: postRun failed: task missing not found"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find("ConfigManagerTask[probe:missing]: abort failed. task missing not found"),
              std::string::npos)
        << lines;
}

TEST_F(ConfigManagerTaskImplTest, TrackingFileGoesWithTheLastOwnerOfTheTask)
{
    const std::string tracking = TaskTest::SharedRoot().File("var/orvane/lifecycle/lifecycle.task");
    std::ofstream(tracking) << "PRECURSOR: probe\n";
    std::shared_ptr<TarnConfigManager::TaskHandle> kept;
    RunToEnd(std::make_shared<ProbeTask>("t-1", [&](ProbeTask& self) { kept = self.MakeTaskHandle(0, 100); }));
    EXPECT_TRUE(std::filesystem::exists(tracking)) << "a handle still holds the task";

    LogCapture log;
    kept.reset();
    EXPECT_FALSE(std::filesystem::exists(tracking));
    // A task dropped without ever running, with the file already gone.
    { ProbeTask("t-1", [](ProbeTask&) {}); }
    const std::string lines = log.Take();
    EXPECT_NE(lines.find("ConfigManagerTask[probe:t-1]: Cleaned up task tracking file "
                         "/var/orvane/lifecycle/lifecycle.task"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find("ConfigManagerTask[probe:t-1]: Failed to cleanup tracking "
                         "file=/var/orvane/lifecycle/lifecycle.task, errno=No such file or directory"),
              std::string::npos)
        << lines;
}

TEST(ConfigStoreErrorTableTest, ExceptionsBecomeInternalServerErrorsByCode)
{
    struct Case {
        int code;
        std::vector<std::string> args;
        std::string expected;  // "id [args] localized"
    };
    const Case cases[] = {
        {TarnConfigManager::kApplyNotInMaintenanceMode, {},
         "com.orvane.tarn.settings.apply.not-in-maint-mode [] The host must be in maintenance mode for apply to "
         "proceed."},
        {2021, {"esx.net"}, "com.orvane.tarn.settings.configmanager.schema-not-found [esx.net] Schema object not "
                            "found: esx.net"},
        {2084, {"mtu", "ignored"}, "com.orvane.tarn.settings.configmanager.invalid-key-value [mtu,ignored] Invalid "
                                   "value for key mtu"},
        {3000, {"a"}, "com.orvane.tarn.settings.configmanager.unexpected-error [a] Unknown message."},
        {2002, {"a"}, std::string(TaskTest::kCataloguedId) + " [store said no] An unexpected error occurred: store "
                                                             "said no"},
        {-1, {}, std::string(TaskTest::kCataloguedId) + " [store said no] An unexpected error occurred: store said no"},
    };
    TaskTest::ResetHostRoot();
    for (const Case& c : cases) {
        auto error = ConfigManagerTaskImpl::MakeError(TarnConfigStore::ConfigStoreException(c.code, "store said no", c.args));
        EXPECT_EQ(ErrorText(error), std::string(Errors::InternalServerError.Name()) + " " + c.expected) << c.code;
    }
}

TEST(ConfigStoreErrorTableTest, EveryCodeHasItsOwnIdAndPlaceholdersArePositional)
{
    std::set<std::string> ids;
    int codes = 0;
    for (int code = 0; code < 10000; ++code) {
        if (auto entry = LifeCycle::ConfigStoreErrorTable::Find(code)) {
            ++codes;
            EXPECT_EQ(entry->code, code);
            EXPECT_TRUE(ids.insert(entry->messageId).second) << entry->messageId;
        }
    }
    EXPECT_EQ(codes, 22);
    using LifeCycle::ConfigStoreErrorTable;
    EXPECT_EQ(ConfigStoreErrorTable::ToPositional("%s or %s, 100%"), "{1} or {2}, 100%");
    EXPECT_EQ(ConfigStoreErrorTable::ToPositional("%%s%"), "%{1}%");
}

}  // namespace
