#include <gtest/gtest.h>

#include "../ApiTestSupport.hpp"
#include "api/filter/LogFilter.hpp"
#include "platform/lumo/ScalarValue.hpp"

namespace {

using Host::Settings::SettingsApi::Filter::LogFilter;
using Lumo::Core::MethodIdentifier;
using Lumo::Core::MethodResult;

std::shared_ptr<Lumo::Core::AsyncActivation> ActivationWithOpId(const std::string& opId)
{
    Lumo::Core::ExecutionContext context;
    if (!opId.empty()) context.applicationContext["opId"] = opId;
    return Lumo::Core::AsyncActivation::GetInstance(std::move(context));
}

bool HasOpIdEntry() { return CSLogger::CurrentContext::Entries().contains("opId"); }

class LogFilterTest : public ::testing::Test {
protected:
    void TearDown() override { CSLogger::CurrentContext::Erase("opId"); }

    std::shared_ptr<ApiTest::RecordingProvider> next_ = std::make_shared<ApiTest::RecordingProvider>();
    std::shared_ptr<LogFilter> filter_ = std::make_shared<LogFilter>(next_);
    const MethodIdentifier method_{"com.orvane.hub.tasks", "get"};
};

TEST_F(LogFilterTest, OpIdIsInEveryLineUntilTheFinalResultWhichIsPassedOnUnchanged)
{
    const auto input = Lumo::Data::StringValue::Create("payload");
    const auto activation = ActivationWithOpId("op-42");
    const auto output = Lumo::Data::StringValue::Create("answer");
    LogCapture log;
    std::vector<MethodResult> received;
    filter_->Invoke(method_, input, activation,
                    [&](MethodResult result) { received.push_back(std::move(result)); });
    ASSERT_EQ(next_->calls.size(), 1u);
    const auto& call = next_->calls[0];
    EXPECT_TRUE(call.method == method_ && call.input == input && call.activation == activation);
    EXPECT_EQ(call.opIdSeen, "op-42");

    // Results come on later turns; progress is not the outcome and keeps the entry.
    CSLogger::Log(2, "between turns");
    MethodResult progress = MethodResult::FromOutput(Lumo::Data::StringValue::Create("25%"));
    progress.SetMoreFollows(true);
    next_->Answer(0, progress);
    EXPECT_TRUE(HasOpIdEntry());
    next_->Answer(0, MethodResult::FromOutput(output));
    EXPECT_FALSE(HasOpIdEntry());
    CSLogger::Log(2, "after the call");
    ASSERT_EQ(received.size(), 2u);
    EXPECT_TRUE(received[0].MoreFollows() && !received[1].MoreFollows());
    EXPECT_EQ(received[1].Output(), output);

    EXPECT_EQ(ApiTest::LogLines(log),
              (std::vector<std::string>{"2 service runs com.orvane.hub.tasks.get {opId=op-42}",
                                        "2 between turns {opId=op-42}", "2 Method succeeded {opId=op-42}",
                                        "2 after the call"}));
}

TEST_F(LogFilterTest, FailureIsLoggedAfterTheCallerHasTheError)
{
    next_->answerAtOnce =
        MethodResult::FromError(Lumo::Data::ErrorValue::Create("com.orvane.lumo.std.errors.error", {}));
    LogCapture log;
    int callbacks = 0;
    filter_->Invoke(method_, nullptr, ActivationWithOpId("op-7"), [&](MethodResult result) {
        ++callbacks;
        EXPECT_TRUE(result.IsError());
        CSLogger::Log(2, "transport writes the answer");
    });
    EXPECT_EQ(callbacks, 1);
    EXPECT_FALSE(HasOpIdEntry());

    EXPECT_EQ(ApiTest::LogLines(log),
              (std::vector<std::string>{"2 service runs com.orvane.hub.tasks.get {opId=op-7}",
                                        "2 transport writes the answer {opId=op-7}",
                                        "0 Method failed {opId=op-7}"}));
}

TEST_F(LogFilterTest, CallWithoutOpIdOrThatThrowsLeavesNoOpIdBehind)
{
    CSLogger::CurrentContext::Set("user", "root");
    filter_->Invoke(method_, nullptr, ActivationWithOpId(""), [](MethodResult) {});
    EXPECT_EQ(next_->calls.at(0).opIdSeen, "");
    next_->Answer(0, MethodResult::FromOutput(nullptr));
    EXPECT_EQ(CSLogger::CurrentContext::Entries().at("user"), "root");
    CSLogger::CurrentContext::Erase("user");

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
