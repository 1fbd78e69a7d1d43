#include <gtest/gtest.h>

#include "../api/ApiTestSupport.hpp"
#include "TaskTestSupport.hpp"
#include "api/authz/AuditContext.hpp"
#include "api/authz/AuditSwitch.hpp"
#include "api/authz/CallRegistrar.hpp"
#include "platform/lumo/DataValues.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"
#include "tasks/ConfigManagerTaskImpl.hpp"

namespace {

using LifeCycle::ConfigManagerTaskImpl;
using LifeCycle::TaskSchedularImpl;
using namespace Lumo::Data;
using Json = Lumo::Protocol::Json::TaggedJsonCodec;
namespace Errors = Com::Orvane::Lumo::Std::Errors;

const std::string kInternal = std::string(Errors::InternalServerError.Name()) + " ";

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
    for (size_t depth = 0; depth <= Json::kMaxDepth; ++depth) value = ListValue::Create({value});
    return value;
}

using ApiTest::ErrorText;
std::string StoredError(const std::string& json)
{
    return ErrorText(ValueCast<ErrorValue>(Json::Decode(json).value));
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

    void RunToEnd(std::shared_ptr<ConfigManagerTaskImpl> task)
    {
        ASSERT_EQ(scheduler_.Submit(std::move(task)), 0);
        ASSERT_TRUE(TaskTest::BackToIdle(scheduler_));
    }

    ::TaskDB::TaskInfo Record() { return TaskTest::Store()->GetTask("t-1"); }

    // The audit context of a call that started a task, the way the call registrar makes it.
    static std::shared_ptr<Api::AuditContext> NewCall()
    {
        return std::make_shared<Api::AuditContext>(Lumo::Core::MethodIdentifier("svc", "apply"),
                                                   &Lumo::Observer::CallRegistrar::ObserveCallEnd);
    }

    static std::vector<std::string> CallRecords()
    {
        return ApiTest::AuditRecords(TaskTest::SharedRoot().File(""), "api.call");
    }

    TaskSchedularImpl scheduler_;
};

TEST_F(ConfigManagerTaskImplTest, SucceededTaskStoresResultAndWritesTheDeferredCallRecord)
{
    auto audit = NewCall();
    ::TaskDB::TaskInfo atStart;
    auto result = StructValue::Create("apply_result");
    result->SetField("status", IntegerValue::Create(1));
    auto task = std::make_shared<ProbeTask>(
        "t-1",
        [&](ProbeTask& self) {
            atStart = TaskTest::Store()->GetTask("t-1");
            self.SetProgress(10);
            self.MakeTaskHandle(10, 90)->UpdateProgress(50);
            self.SetResult(result);
        },
        audit);
    EXPECT_EQ(audit->Get(Api::AuditContext::kMuteKey), "true");
    audit->OnCallEnd(std::string("root"), true);
    EXPECT_TRUE(CallRecords().empty()) << "the call record waits for the task";

    RunToEnd(task);
    EXPECT_EQ(atStart.status + " " + std::to_string(atStart.completed), "RUNNING 5");
    const auto record = Record();
    EXPECT_EQ(record.status + " " + std::to_string(record.completed) + " " + record.errorText,
              "SUCCEEDED 50 ");
    auto stored = Json::Decode(record.result);
    EXPECT_TRUE(stored.Ok() && Equal(stored.value, result)) << record.result;
    EXPECT_FALSE(audit->Has(Api::AuditContext::kMuteKey));
    EXPECT_EQ(CallRecords(), std::vector<std::string>{"api.call root svc:apply ok"});
}

TEST_F(ConfigManagerTaskImplTest, FailuresAreStoredAsErrorValuesWithWhateverResultSerializes)
{
    const auto own = ConfigManagerTaskImpl::MakeError(Errors::NotAllowedInCurrentState, "cm.not.now", {"x"});
    struct Case {
        const char* name;
        ProbeTask::Body body;
        std::string error;  // ErrorText form
        bool keepsResult;
    };
    const Case cases[] = {
        {"run throws", [](ProbeTask&) { throw std::runtime_error("boom"); },
         kInternal + TaskTest::kCataloguedId +
             " [boom] An unexpected error occurred: boom {default: " + TaskTest::kCataloguedText + "}",
         false},
        {"error with partial result",
         [&](ProbeTask& self) {
             self.SetResult(StringValue::Create("half"));
             self.SetErrorValue(own);
         },
         ErrorText(own), true},
        {"result too deep", [](ProbeTask& self) { self.SetResult(TooDeep()); },
         kInternal + ConfigManagerTaskImpl::kResultErrorId + " [] Unknown message.", false},
        {"error and result too deep",
         [&](ProbeTask& self) {
             self.SetResult(TooDeep());
             self.SetErrorValue(own);
         },
         ErrorText(own), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TaskTest::ResetHostRoot();
        TaskTest::Store()->CreateTask("t-1", 5);
        auto audit = NewCall();
        auto task = std::make_shared<ProbeTask>("t-1", c.body, audit);
        audit->OnCallEnd(std::nullopt, true);
        RunToEnd(std::move(task));
        const auto record = Record();
        EXPECT_EQ(record.status + " " + StoredError(record.errorText), "FAILED " + c.error);
        EXPECT_EQ(!record.result.empty(), c.keepsResult) << record.result;
        EXPECT_EQ(audit->Get("result"), "false");
    }
}

TEST_F(ConfigManagerTaskImplTest, AbortCancelsTheHandlesOfTheTask)
{
    std::shared_ptr<TarnConfigManager::TaskHandle> handle;
    std::atomic<bool> handed{false};
    auto task = std::make_shared<ProbeTask>("t-1", [&](ProbeTask& self) {
        handle = self.MakeTaskHandle(10, 90);
        handed = true;
        TaskTest::Eventually([&] { return handle->IsCancelled(); });
    });
    ASSERT_EQ(scheduler_.Submit(task), 0);
    ASSERT_TRUE(TaskTest::Eventually([&] { return handed.load(); }));
    EXPECT_FALSE(handle->IsCancelled());
    EXPECT_EQ(scheduler_.Abort("t-1"), 1);
    ASSERT_TRUE(TaskTest::BackToIdle(scheduler_));
    // The library stops cooperatively; what it leaves is the task's outcome.
    EXPECT_EQ(Record().status, "SUCCEEDED");
}

TEST_F(ConfigManagerTaskImplTest, TaskAbortedAtShutdownEndsFailedWithoutPostRun)
{
    auto audit = NewCall();
    std::atomic<bool> running{false};
    auto task = std::make_shared<ProbeTask>(
        "t-1",
        [&](ProbeTask& self) {
            self.SetErrorValue(ConfigManagerTaskImpl::MakeError(Errors::Error, "cm.partial"));
            auto handle = self.MakeTaskHandle(10, 90);
            running = true;
            TaskTest::Eventually([&] { return handle->IsCancelled(); });
        },
        audit);
    audit->OnCallEnd(std::nullopt, true);
    ASSERT_EQ(scheduler_.Submit(task), 0);
    ASSERT_TRUE(TaskTest::Eventually([&] { return running.load(); }));
    scheduler_.Stop();

    EXPECT_EQ(Record().status + " " + StoredError(Record().errorText),
              "FAILED " + kInternal + "com.orvane.tarn.task.aborted [] Unknown message.");
    EXPECT_TRUE(audit->Has(Api::AuditContext::kMuteKey)) << "PostRun never ran";
    EXPECT_NE(ErrorText(task->GetError()).find("cm.partial"), std::string::npos)
        << "the run's own error stays";
}

TEST_F(ConfigManagerTaskImplTest, StoreFailuresAreLoggedAndTrackingFileGoesWithTheLastOwner)
{
    const std::string tracking = TaskTest::SharedRoot().File("var/orvane/lifecycle/lifecycle.task");
    std::ofstream(tracking) << "PRECURSOR: probe\n";
    std::shared_ptr<TarnConfigManager::TaskHandle> kept;
    RunToEnd(
        std::make_shared<ProbeTask>("t-1", [&](ProbeTask& self) { kept = self.MakeTaskHandle(0, 100); }));
    EXPECT_TRUE(std::filesystem::exists(tracking)) << "a handle still holds the task";

    LogCapture log;
    kept.reset();
    EXPECT_FALSE(std::filesystem::exists(tracking));
    {
        // Never run, no record in the store, and the file already gone.
        ProbeTask stranger("missing", [](ProbeTask&) {});
        EXPECT_NO_THROW(stranger.PostRun());
        EXPECT_NO_THROW(stranger.MarkAborted());
    }
    for (const char* line :
         {"ConfigManagerTask[probe:t-1]: Cleaned up task tracking file /var/orvane/lifecycle/lifecycle.task",
          "ConfigManagerTask[probe:missing]: postRun failed: task missing not found",
          "ConfigManagerTask[probe:missing]: abort failed. task missing not found",
          "ConfigManagerTask[probe:missing]: Failed to cleanup tracking "
          "file=/var/orvane/lifecycle/lifecycle.task, errno=No such file or directory"})
        EXPECT_TRUE(log.Has(line)) << line;
}

TEST(ConfigStoreErrorTableTest, ExceptionsBecomeInternalServerErrorsByCode)
{
    const std::string unhandled = std::string(TaskTest::kCataloguedId) +
                                  " [store said no] An unexpected error occurred: store said no {default: " +
                                  TaskTest::kCataloguedText + "}";
    const std::string cm = "com.orvane.tarn.settings.configmanager.";
    const std::tuple<int, std::vector<std::string>, std::string> cases[] = {
        {2026,
         {},
         "com.orvane.tarn.settings.apply.not-in-maint-mode [] The host must be in maintenance "
         "mode for apply to proceed."},
        {2021,
         {"esx.net"},
         cm + "schema-not-found [esx.net] Schema object not found: esx.net {default: "
              "Schema object not found: {1}}"},
        {2084,
         {"mtu", "x"},
         cm + "invalid-key-value [mtu,x] Invalid value for key mtu {default: Invalid "
              "value for key {1}}"},
        {3000, {"a"}, cm + "unexpected-error [a] Unknown message."},
        {2002, {"a"}, unhandled},
        {-1, {}, unhandled},
    };
    TaskTest::ResetHostRoot();
    for (const auto& [code, args, expected] : cases) {
        auto error = ConfigManagerTaskImpl::MakeError(
            TarnConfigStore::ConfigStoreException(code, "store said no", args));
        EXPECT_EQ(ErrorText(error), kInternal + expected) << code;
    }
}

}  // namespace
