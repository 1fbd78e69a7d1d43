// The tasks service over a real task store, called through its binder so that every answer
// is checked as the wire value a client decodes.
#include <gtest/gtest.h>

#include "../api/ApiTestSupport.hpp"
#include "TaskTestSupport.hpp"
#include "platform/host/taskdb/TaskDBError.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"
#include "platform/lumo/ValueToNativeAdapter.hpp"
#include "tasks/JsonParseError.hpp"
#include "tasks/TaskFileNotFoundError.hpp"
#include "tasks/TaskNotification.hpp"
#include "tasks/TasksService.hpp"
#include "util/AccessLock.hpp"

namespace {

using namespace Lumo;
namespace TasksSvc = Com::Orvane::Hub::TasksSvc;
namespace TaskApi = Com::Orvane::Hub::Task;
using TaskStoreTest::RawDb;

using ApiTest::ErrorText;

// The error's name, message id and arguments: the root's catalogue has no texts for these ids.
std::string ErrorHead(const Core::MethodResult& result)
{
    const std::string text = ErrorText(result);
    return text.substr(0, text.find("] ") + 1);
}

bool LoggedAt(const std::vector<std::string>& lines, int priority, const std::string& text)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.starts_with(std::to_string(priority) + " ") && line.find(text) != std::string::npos;
    });
}

class TasksServiceTest : public ::testing::Test {
protected:
    void SetUp() override { TaskTest::ResetHostRoot(); }

    Core::MethodResult Call(std::shared_ptr<TasksSvc::AsyncServiceInterface> impl,
                            const std::string& operation, Data::DataValuePtr input)
    {
        auto api = TasksSvc::AsyncServiceBinder::BindImplementation(std::move(impl), nullptr);
        std::vector<Core::MethodResult> results;
        api->Invoke(Core::MethodIdentifier(std::string(TasksSvc::kServiceId), operation), std::move(input),
                    Core::AsyncActivation::GetInstance({}),
                    [&results](Core::MethodResult result) { results.push_back(std::move(result)); });
        EXPECT_EQ(results.size(), 1u) << operation;
        return results.empty() ? Core::MethodResult::GetErrorInstance() : results[0];
    }

    static Data::DataValuePtr TaskInput(const std::string& id)
    {
        return std::make_shared<Data::StructValue>(
            "input", std::vector<Data::CompoundValue::Field>{{"task", Data::StringValue::Create(id)}});
    }
    static Data::DataValuePtr NoInput() { return std::make_shared<Data::StructValue>("input"); }

    Core::MethodResult Get(const std::string& id) { return Call(service_, "get", TaskInput(id)); }

    template <typename Native>
    static Native Decoded(const Core::MethodResult& answer)
    {
        EXPECT_EQ(ErrorText(answer), "no error");
        Native native;
        if (answer.Output() == nullptr) return native;
        EXPECT_EQ(Bindings::ValueToNativeAdapter::Adapt(answer.Output(), native), nullptr);
        return native;
    }
    TaskApi::Info GetInfo(const std::string& id) { return Decoded<TaskApi::Info>(Get(id)); }

    static void Alter(const std::string& sql) { RawDb(TaskTest::Store()->Path()).Exec(sql); }

    std::shared_ptr<TasksSvc::AsyncServiceImpl> service_ = std::make_shared<TasksSvc::AsyncServiceImpl>();
};

TEST_F(TasksServiceTest, ReportsEachStageOfATask)
{
    auto store = TaskTest::Store();
    store->CreateNamedTask("pending", "com.orvane.tarn.apply", 5, "root");
    store->CreateTask("running", 5);
    store->StartTask("running", 5);
    store->SetProgress("running", 40, "");
    const auto result = Data::StringValue::Create("all done");
    store->CreateTask("done", 5);
    store->StartTask("done", 5);
    store->SetSucceeded("done", Protocol::Json::TaggedJsonCodec::Encode(*result));
    store->CreateTask("tool", 5);
    store->SetFailedWithMessage("tool", "com.orvane.tarn.depot.error", {"http://depot", "404"});

    const TaskApi::Info pending = GetInfo("pending");
    EXPECT_EQ(pending.status, TaskApi::Status::PENDING);
    EXPECT_EQ(pending.service + " " + pending.operation + " " + pending.user.value_or("-") + " " +
                  pending.description.id,
              "hostprefd com.orvane.tarn.apply root com.orvane.tarn.task.description");
    EXPECT_TRUE(pending.created_time &&
                !(pending.start_time || pending.end_time || pending.result || pending.error));

    const TaskApi::Info running = GetInfo("running");
    EXPECT_EQ(running.status, TaskApi::Status::RUNNING);
    ASSERT_TRUE(running.start_time && running.progress && !running.end_time);
    EXPECT_EQ(std::to_string(running.progress->completed) + " " + running.progress->message.id,
              "40 com.orvane.tarn.task.progress");

    const TaskApi::Info done = GetInfo("done");
    EXPECT_EQ(done.status, TaskApi::Status::SUCCEEDED);
    ASSERT_TRUE(done.result && done.start_time && done.end_time);
    EXPECT_TRUE(Data::Equal(*done.result, result));
    EXPECT_LE(*done.start_time, *done.end_time);

    const TaskApi::Info tool = GetInfo("tool");
    EXPECT_EQ(tool.status, TaskApi::Status::FAILED);
    ASSERT_TRUE(tool.error.has_value());
    EXPECT_EQ(ErrorHead(Core::MethodResult::FromError(*tool.error)),
              "com.orvane.lumo.std.errors.error com.orvane.tarn.depot.error [http://depot,404]");
    EXPECT_EQ(ErrorHead(Get("unknown")),
              "com.orvane.lumo.std.errors.not_found com.orvane.tarn.task.notfound.error [unknown]");
}

TEST_F(TasksServiceTest, ConfigurationTaskErrorAndNotificationsComeBackAsStored)
{
    auto store = TaskTest::Store();
    store->CreateTask("cfg", 5);
    store->StartTask("cfg", 5);
    const auto stored = Data::ErrorFactory::GetError(Com::Orvane::Lumo::Std::Errors::InternalServerError,
                                                     {BaseMessage(TaskTest::kCataloguedId, "x", {"disk"})},
                                                     L10n::RequestLocalizer());
    using Kind = Com::Orvane::Tarn::HostprefDaemon::NotificationKind;
    auto notice = [](Kind kind, const char* id) {
        return LifeCycle::TaskNotification::Encode(
            {kind, id, {id, id, {}, id}, DateTime::FromUnixSeconds(1700000000)});
    };
    // A tool may also leave the direct form, as hostpref-taskdb notify takes it by hand.
    const std::string direct = R"({"kind":"WARNING","id":"w2","time":"2023-11-14T22:13:20.000Z",)"
                               R"("message":{"id":"w2","default_message":"w2","args":[],"localized":"w2"}})";
    for (const std::string& json : {notice(Kind::WARNING, "w1"), notice(Kind::INFO, "i1"),
                                    std::string(R"({"not": "a notification"})"), direct})
        store->AddNotification("cfg", json);
    store->SetFailed("cfg", Protocol::Json::TaggedJsonCodec::Encode(*stored));

    LogCapture log;
    const TaskApi::Info info = GetInfo("cfg");
    EXPECT_TRUE(LoggedAt(ApiTest::LogLines(log), 0, "Could not adapt to native types"));
    ASSERT_TRUE(info.error.has_value());
    EXPECT_TRUE(Data::Equal(*info.error, stored));
    ASSERT_TRUE(info.notifications.has_value());
    std::string ids;  // the unreadable entry is skipped, the others keep their order per kind
    for (const auto& list : {info.notifications->warnings, info.notifications->info})
        for (const auto& notification : list) ids += notification.id + " ";
    EXPECT_EQ(ids, "w1 w2 i1 ");
    EXPECT_EQ(info.notifications->info.at(0).time, DateTime::FromUnixSeconds(1700000000));
}

TEST_F(TasksServiceTest, OddButReadableRecordsAreReportedAndLogged)
{
    auto store = TaskTest::Store();
    store->CreateTask("blank", 5);
    store->CreateTask("bare-failure", 5);
    store->StartTask("bare-failure", 5);
    store->SetFailed("bare-failure", "");
    store->CreateTask("unreadable-error", 5);
    store->SetFailed("unreadable-error", "{broken");
    Alter("UPDATE tasks SET status = '' WHERE id = 'blank'");

    LogCapture log;
    EXPECT_EQ(GetInfo("blank").status, TaskApi::Status::PENDING);
    const TaskApi::Info bare = GetInfo("bare-failure");
    const TaskApi::Info unreadable = GetInfo("unreadable-error");
    const auto lines = ApiTest::LogLines(log);
    EXPECT_TRUE(LoggedAt(lines, 3, "Task has no status, use pending"));
    for (const TaskApi::Info& failed : {bare, unreadable})
        EXPECT_TRUE(failed.status == TaskApi::Status::FAILED && !failed.error.has_value());
    EXPECT_TRUE(LoggedAt(lines, 1, "Task bare-failure failed without any error details."));
    EXPECT_TRUE(LoggedAt(lines, 0, "Error de-serializing task exception: "));
    EXPECT_FALSE(LoggedAt(lines, 1, "Task unreadable-error failed without"));
}

TEST_F(TasksServiceTest, MalformedRecordsFailGetAndAreSkippedByList)
{
    auto store = TaskTest::Store();
    store->CreateTask("good", 5);
    for (const char* id : {"no-start", "no-end", "odd-status", "bad-result"}) {
        store->CreateTask(id, 5);
        store->StartTask(id, 5);
    }
    store->SetSucceeded("no-end", "");
    store->SetSucceeded("bad-result", "[1,");
    Alter("UPDATE tasks SET start_time = '' WHERE id = 'no-start'");
    Alter("UPDATE tasks SET end_time = '' WHERE id = 'no-end'");
    Alter("UPDATE tasks SET status = 'LOST' WHERE id = 'odd-status'");

    for (const auto& [id, reason] : std::map<std::string, std::string>{
             {"no-start", "Task no-start does not have start time"},
             {"no-end", "Task no-end does not have end time"},
             {"odd-status", "Task odd-status has invalid status LOST"},
             {"bad-result", "Result of task bad-result cannot be de-serialized"}})
        EXPECT_EQ(ErrorHead(Get(id)),
                  "com.orvane.lumo.std.errors.error com.orvane.tarn.task.parse.error [" + reason + "]");

    LogCapture log;
    const auto infos = Decoded<std::map<std::string, TaskApi::Info>>(Call(service_, "list", NoInput()));
    ASSERT_EQ(infos.size(), 1u);
    EXPECT_EQ(infos.begin()->first, "good");
    EXPECT_TRUE(LoggedAt(ApiTest::LogLines(log), 0,
                         "[List] :  Task no-start does not have start time, skipping task"));
}

TEST_F(TasksServiceTest, StoreFailuresAnswerPerOperation)
{
    namespace Errors = Com::Orvane::Lumo::Std::Errors;
    struct Case {
        std::function<void()> raise;
        const Errors::StandardError& getError;
        const Errors::StandardError* listError;  // null: List answers an empty map
        const char* messageId;
        const char* arg;
    };
    const std::vector<Case> cases{
        {[] { throw LifeCycle::AccessLockError(EAGAIN); }, Errors::ResourceInaccessible,
         &Errors::ResourceInaccessible, "com.orvane.tarn.task.lock.error",
         "Resource temporarily unavailable"},
        {[] { throw ::TaskDB::StoreBusy("busy", 5); }, Errors::ResourceInaccessible,
         &Errors::ResourceInaccessible, "com.orvane.tarn.task.lock.error", "busy"},
        {[] { throw LifeCycle::JsonParseError("bad json"); }, Errors::Error, &Errors::ResourceInaccessible,
         "com.orvane.tarn.task.parse.error", "bad json"},
        {[] { throw LifeCycle::TaskFileNotFoundError("no file"); }, Errors::NotFound, nullptr,
         "com.orvane.tarn.task.file.notfound.error", "no file"},
        {[] { throw ::TaskDB::TaskDBError("corrupt"); }, Errors::Error, &Errors::ServiceUnavailable,
         "com.orvane.tarn.task.unknown.error", "corrupt"},
    };
    for (const Case& c : cases) {
        auto failing = std::make_shared<TasksSvc::AsyncServiceImpl>(
            [&c] { return c.raise(), std::map<std::string, ::TaskDB::TaskInfo>{}; },
            LifeCycle::TaskSchedular::GetInstance());
        SCOPED_TRACE(c.messageId);
        const std::string message = std::string(" ") + c.messageId + " [" + c.arg + "]";
        EXPECT_EQ(ErrorHead(Call(failing, "get", TaskInput("t"))), std::string(c.getError.Name()) + message);
        const Core::MethodResult list = Call(failing, "list", NoInput());
        if (c.listError == nullptr) {
            EXPECT_EQ(ErrorText(list), "no error");
            EXPECT_TRUE(Data::Equal(list.Output(), Bindings::NativeToValueAdapter::Adapt(
                                                       std::map<std::string, TaskApi::Info>{})));
        } else {
            EXPECT_EQ(ErrorHead(list), std::string(c.listError->Name()) + message);
        }
    }
}

TEST_F(TasksServiceTest, CancelAbortsOnlyTheHeldTaskAndAlwaysSucceeds)
{
    LifeCycle::TaskSchedularImpl scheduler;
    ASSERT_EQ(scheduler.Start(), 0);
    auto task =
        std::make_shared<TaskTest::ScriptedTask>("held", TaskTest::ScriptedTask::RunMode::kUntilAborted);
    ASSERT_EQ(scheduler.Submit(task), 0);
    ASSERT_TRUE(task->WaitRunning());
    auto service = std::make_shared<TasksSvc::AsyncServiceImpl>(
        [] { return std::map<std::string, ::TaskDB::TaskInfo>{}; }, scheduler);

    EXPECT_EQ(ErrorText(Call(service, "cancel", TaskInput("other"))), "no error");
    EXPECT_FALSE(task->IsAbortRequested());
    EXPECT_EQ(ErrorText(Call(service, "cancel", TaskInput("held"))), "no error");
    EXPECT_TRUE(task->IsAbortRequested());
    scheduler.Stop();
}

}  // namespace
