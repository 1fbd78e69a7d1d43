// Generated binders: a bad call never reaches the implementation, a good one reaches it with
// its decoded parameters, and whatever the implementation answers is encoded once.
#include <gtest/gtest.h>

#include "generated/Com/Orvane/Hub/TasksSvc.hpp"
#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"

namespace {

using namespace Lumo;
namespace Tasks = Com::Orvane::Hub::TasksSvc;
namespace Task = Com::Orvane::Hub::Task;

// Records the calls it gets and answers as it is told.
struct RecordingTasks : Tasks::AsyncServiceInterface {
    void Get(std::shared_ptr<Core::AsyncActivation>, std::string task, Core::AsyncResult<Task::Info> result) override
    {
        calls.push_back("get " + task);
        Deliver(result, Task::Info{.id = task, .status = Task::Status::RUNNING});
    }
    void List(std::shared_ptr<Core::AsyncActivation>, std::optional<Tasks::FilterSpec> filter,
              Core::AsyncResult<std::map<std::string, Task::Info>> result) override
    {
        calls.push_back("list");
        lastFilter = std::move(filter);
        Deliver(result, std::map<std::string, Task::Info>{{"t1", Task::Info{}}});
    }
    void Cancel(std::shared_ptr<Core::AsyncActivation>, std::string task, Core::AsyncResult<void> result) override
    {
        calls.push_back("cancel " + task);
        answer == Answer::kFail ? result.Fail(failure) : result.Succeed();
    }
    template <class T>
    void Deliver(const Core::AsyncResult<T>& result, const T& output)
    {
        if (answer == Answer::kThrow) throw std::runtime_error("implementation fault");
        if (answer == Answer::kFail) return result.Fail(failure);
        result.Succeed(output);
        if (answer == Answer::kSucceedTwice) {
            result.Fail(failure);
            throw std::runtime_error("after answering");
        }
    }

    enum class Answer { kSucceed, kFail, kThrow, kSucceedTwice } answer = Answer::kSucceed;
    Data::ErrorValuePtr failure = Data::ErrorFactory::GetError(Com::Orvane::Lumo::Std::Errors::NotFound,
                                                               {BaseMessage("m", "gone")}, L10n::RequestLocalizer());
    std::vector<std::string> calls;
    std::optional<Tasks::FilterSpec> lastFilter;
};

class BinderTest : public ::testing::Test {
protected:
    // Calls `operation` with the parameters of the JSON object `params`; returns every
    // result delivered.
    std::vector<Core::MethodResult> Call(std::string operation, std::string_view params)
    {
        auto input = Protocol::Json::DirectJsonCodec::Decode(params);
        EXPECT_TRUE(input.Ok()) << params;
        std::vector<Core::MethodResult> results;
        interface->Invoke(Core::MethodIdentifier(std::string(Tasks::kServiceId), std::move(operation)), input.value,
                          Core::AsyncActivation::GetInstance({}),
                          [&results](Core::MethodResult result) { results.push_back(std::move(result)); });
        return results;
    }

    static std::string ErrorName(const std::vector<Core::MethodResult>& results)
    {
        return results.size() == 1 && results[0].IsError() ? results[0].Error()->Name() : "no single error";
    }

    std::shared_ptr<RecordingTasks> impl = std::make_shared<RecordingTasks>();
    Provider::AsyncApiInterfacePtr interface = Tasks::AsyncServiceBinder::BindImplementation(impl, nullptr);
};

TEST_F(BinderTest, BadInputIsRefusedWithoutCallingTheImplementation)
{
    const std::string invalid(Com::Orvane::Lumo::Std::Errors::InvalidArgument.Name());
    const std::pair<std::string, std::string> calls[] = {
        {"get", "{}"}, {"get", R"({"task": 5})"}, {"get", R"({"task": "t1", "force": true})"},
        {"list", R"({"filter": {"status": ["LOST"]}})"}, {"cancel", "[]"}};
    for (const auto& [operation, params] : calls) EXPECT_EQ(ErrorName(Call(operation, params)), invalid) << params;
    EXPECT_EQ(ErrorName(Call("purge", "{}")), "com.orvane.lumo.std.errors.operation_not_found");
    EXPECT_TRUE(impl->calls.empty());
}

TEST_F(BinderTest, GoodInputReachesTheImplementationAndTheOutputIsEncoded)
{
    auto results = Call("get", R"({"task": "t1"})");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(Data::Equal(results[0].Output(), Bindings::NativeToValueAdapter::Adapt(
                                                     Task::Info{.id = "t1", .status = Task::Status::RUNNING})));
    results = Call("list", R"({"filter": {"tasks": ["t1"]}})");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(Data::Equal(results[0].Output(), Bindings::NativeToValueAdapter::Adapt(
                                                     std::map<std::string, Task::Info>{{"t1", Task::Info{}}})));
    ASSERT_TRUE(impl->lastFilter.has_value());
    EXPECT_EQ(impl->lastFilter->tasks, (std::optional<std::set<std::string>>{{"t1"}}));
    // An optional parameter may be left out.
    Call("list", "{}");
    EXPECT_FALSE(impl->lastFilter.has_value());

    results = Call("cancel", R"({"task": "t2"})");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].Output()->Kind(), Data::DataKind::kVoid);
    EXPECT_EQ(impl->calls, (std::vector<std::string>{"get t1", "list", "list", "cancel t2"}));
}

TEST_F(BinderTest, FailuresAndFaultsOfTheImplementationAreAnsweredOnce)
{
    impl->answer = RecordingTasks::Answer::kFail;
    auto results = Call("get", R"({"task": "t1"})");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].Error(), impl->failure);
    EXPECT_EQ(ErrorName(Call("cancel", R"({"task": "t1"})")), "com.orvane.lumo.std.errors.not_found");

    impl->answer = RecordingTasks::Answer::kThrow;
    EXPECT_EQ(ErrorName(Call("get", R"({"task": "t1"})")), "com.orvane.lumo.std.errors.internal_server_error");

    impl->answer = RecordingTasks::Answer::kSucceedTwice;
    results = Call("get", R"({"task": "t1"})");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0].IsError());
}

}  // namespace
