#include <gtest/gtest.h>

#include "FilterTestDoubles.hpp"
#include "api/filter/LogFilter.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/ScalarValue.hpp"

namespace {

using LogLines = TestLog::CapturedLog;
using FilterTest::RecordingProvider;
using Host::Settings::SettingsApi::Filter::LogFilter;
using Lumo::Core::MethodIdentifier;
using Lumo::Core::MethodResult;

std::shared_ptr<Lumo::Core::AsyncActivation> ActivationWithOpId(const std::string& opId)
{
    Lumo::Core::ExecutionContext context;
    if (!opId.empty()) {
        context.applicationContext["opId"] = opId;
    }
    return Lumo::Core::AsyncActivation::GetInstance(std::move(context));
}

bool HasOpIdEntry() { return CSLogger::CurrentContext::Entries().contains("opId"); }

class LogFilterTest : public ::testing::Test {
protected:
    void TearDown() override { CSLogger::CurrentContext::Erase("opId"); }

    std::shared_ptr<RecordingProvider> next_ = std::make_shared<RecordingProvider>();
    std::shared_ptr<LogFilter> filter_ = std::make_shared<LogFilter>(next_);
    const MethodIdentifier method_{"com.orvane.hub.tasks", "get"};
};

TEST_F(LogFilterTest, PassesTheCallOnUntouchedAndTheResultBackUnchanged)
{
    EXPECT_EQ(filter_->Name(), "LogFilter");
    const auto input = Lumo::Data::StringValue::Create("payload");
    const auto activation = ActivationWithOpId("op-1");
    const auto output = Lumo::Data::StringValue::Create("answer");

    std::vector<MethodResult> received;
    filter_->Invoke(method_, input, activation,
                    [&](MethodResult result) { received.push_back(std::move(result)); });

    ASSERT_EQ(next_->calls.size(), 1u);
    EXPECT_EQ(next_->calls[0].method, method_);
    EXPECT_EQ(next_->calls[0].input, input);
    EXPECT_EQ(next_->calls[0].activation, activation);
    EXPECT_TRUE(received.empty());

    next_->Answer(0, MethodResult::FromOutput(output));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].Output(), output);
}

TEST_F(LogFilterTest, OpIdIsInEveryLineDuringTheCallAndGoneAfterTheResult)
{
    LogLines log;
    filter_->Invoke(method_, nullptr, ActivationWithOpId("op-42"), [](MethodResult) {});
    EXPECT_EQ(next_->calls.at(0).opIdSeen, "op-42");

    // The result comes on a later turn: the entry stays until then.
    ASSERT_TRUE(HasOpIdEntry());
    CSLogger::Log(2, "between turns");
    next_->Answer(0, MethodResult::FromOutput(nullptr));
    EXPECT_FALSE(HasOpIdEntry());
    CSLogger::Log(2, "after the call");

    const auto lines = log.Take();
    const int service = LogLines::Find(lines, "service runs com.orvane.hub.tasks.get");
    const int between = LogLines::Find(lines, "between turns");
    const int succeeded = LogLines::Find(lines, "Method succeeded");
    const int after = LogLines::Find(lines, "after the call");
    ASSERT_GE(service, 0);
    ASSERT_GE(between, 0);
    ASSERT_GE(succeeded, 0);
    ASSERT_GE(after, 0);
    EXPECT_NE(lines[service].text.find("{opId=op-42}"), std::string::npos);
    EXPECT_NE(lines[between].text.find("{opId=op-42}"), std::string::npos);
    EXPECT_NE(lines[succeeded].text.find("{opId=op-42}"), std::string::npos);
    EXPECT_EQ(lines[succeeded].priority, 2);
    EXPECT_EQ(lines[after].text.find("opId"), std::string::npos);
}

TEST_F(LogFilterTest, FailureIsLoggedAfterTheCallerHasTheError)
{
    next_->answerAtOnce =
        MethodResult::FromError(Lumo::Data::ErrorValue::Create("com.orvane.lumo.std.errors.error", {}));
    LogLines log;
    int callbacks = 0;
    filter_->Invoke(method_, nullptr, ActivationWithOpId("op-7"), [&](MethodResult result) {
        ++callbacks;
        EXPECT_TRUE(result.IsError());
        CSLogger::Log(2, "transport writes the answer");
    });
    EXPECT_EQ(callbacks, 1);
    EXPECT_FALSE(HasOpIdEntry());

    const auto lines = log.Take();
    const int written = LogLines::Find(lines, "transport writes the answer");
    const int failed = LogLines::Find(lines, "Method failed");
    ASSERT_GE(written, 0);
    ASSERT_GE(failed, 0);
    EXPECT_LT(written, failed);
    EXPECT_EQ(lines[failed].priority, 0);
    EXPECT_EQ(LogLines::Find(lines, "Method succeeded"), -1);
}

TEST_F(LogFilterTest, CallWithoutOpIdLeavesTheContextAlone)
{
    CSLogger::CurrentContext::Set("user", "root");
    filter_->Invoke(method_, nullptr, ActivationWithOpId(""), [](MethodResult) {});
    EXPECT_EQ(next_->calls.at(0).opIdSeen, "");
    next_->Answer(0, MethodResult::FromOutput(nullptr));
    EXPECT_EQ(CSLogger::CurrentContext::Entries().at("user"), "root");
    CSLogger::CurrentContext::Erase("user");
}

TEST_F(LogFilterTest, ProgressDeliveriesAreNotTheOutcome)
{
    LogLines log;
    std::vector<bool> moreFollows;
    filter_->Invoke(method_, nullptr, ActivationWithOpId("op-s"),
                    [&](MethodResult result) { moreFollows.push_back(result.MoreFollows()); });

    MethodResult progress = MethodResult::FromOutput(Lumo::Data::StringValue::Create("25%"));
    progress.SetMoreFollows(true);
    next_->Answer(0, progress);
    EXPECT_TRUE(HasOpIdEntry());
    next_->Answer(0, MethodResult::FromOutput(nullptr));
    EXPECT_FALSE(HasOpIdEntry());

    EXPECT_EQ(moreFollows, (std::vector<bool>{true, false}));
    const auto lines = log.Take();
    int outcomes = 0;
    for (const auto& line : lines) {
        outcomes += line.text.starts_with("Method ") ? 1 : 0;
    }
    EXPECT_EQ(outcomes, 1);
}

TEST_F(LogFilterTest, CallThatNeverGetsInClearsTheOpId)
{
    class Throwing : public Lumo::Core::AsyncApiProvider {
    public:
        std::string Name() const override { return "Throwing"; }
        void Invoke(const MethodIdentifier&, Lumo::Data::DataValuePtr,
                    std::shared_ptr<Lumo::Core::AsyncActivation>, Lumo::Core::AsyncApiResultCb) override
        {
            throw std::bad_weak_ptr();
        }
    };
    auto filter = std::make_shared<LogFilter>(std::make_shared<Throwing>());
    EXPECT_THROW(filter->Invoke(method_, nullptr, ActivationWithOpId("op-x"), [](MethodResult) {}),
                 std::bad_weak_ptr);
    EXPECT_FALSE(HasOpIdEntry());
}

}  // namespace
