#include <gtest/gtest.h>

#include "../ApiTestSupport.hpp"
#include "api/filter/ErrorAnnotatorFilter.hpp"
#include "platform/lumo/ScalarValue.hpp"

namespace {

using Host::Settings::SettingsApi::Filter::ErrorAnnotatorFilter;
using Lumo::Core::MethodResult;
using Lumo::Data::StringValue;

Lumo::Data::ErrorValuePtr SomeError()
{
    auto error = Lumo::Data::ErrorValue::GetInstance("com.orvane.lumo.std.errors.not_found");
    error->SetField("data", StringValue::Create("detail"));
    return error;
}

// "ok", or the error's name and its "__originator__" ("<none>" without one).
std::string Annotated(const MethodResult& result)
{
    if (!result.IsError()) return "ok";
    const auto field = Lumo::Data::ValueCast<StringValue>(result.Error()->GetField("__originator__"));
    return result.Error()->Name() + " " + (field == nullptr ? "<none>" : field->Get());
}

class ErrorAnnotatorFilterTest : public ::testing::Test {
protected:
    void Call(const std::shared_ptr<ErrorAnnotatorFilter>& filter)
    {
        filter->Invoke({"com.orvane.hub.tasks", "get"}, nullptr, Lumo::Core::AsyncActivation::GetInstance({}),
                       [this](MethodResult result) { results_.push_back(std::move(result)); });
    }

    std::shared_ptr<ApiTest::RecordingProvider> next_ = std::make_shared<ApiTest::RecordingProvider>();
    std::shared_ptr<ErrorAnnotatorFilter> filter_ =
        std::make_shared<ErrorAnnotatorFilter>(next_, [] { return std::string("quarn[tarn-base-9.1]"); });
    std::vector<MethodResult> results_;
};

TEST_F(ErrorAnnotatorFilterTest, ErrorsGainTheOriginatorSuccessesAndExistingOriginatorsDoNot)
{
    const auto original = SomeError();
    const auto output = StringValue::Create("ok");
    auto inner = Lumo::Data::ErrorValue::GetInstance("com.orvane.lumo.std.errors.error");
    inner->SetField("__originator__", StringValue::Create("quarn[inner]"));
    for (const auto& answer : {MethodResult::FromError(original), MethodResult::FromOutput(output),
                               MethodResult::FromError(inner)}) {
        next_->answerAtOnce = answer;
        Call(filter_);
    }
    // The originator cannot be found: the error goes out as it came.
    next_->answerAtOnce = MethodResult::FromError(SomeError());
    Call(std::make_shared<ErrorAnnotatorFilter>(
        next_, []() -> std::string { throw std::runtime_error("Unable to find tarn-base schema"); }));

    std::vector<std::string> seen;
    for (const MethodResult& result : results_) seen.push_back(Annotated(result));
    ASSERT_EQ(seen, (std::vector<std::string>{"com.orvane.lumo.std.errors.not_found quarn[tarn-base-9.1]",
                                              "ok", "com.orvane.lumo.std.errors.error quarn[inner]",
                                              "com.orvane.lumo.std.errors.not_found <none>"}));
    EXPECT_TRUE(Lumo::Data::Equal(results_[0].Error()->GetField("data"), StringValue::Create("detail")));
    // The producer's error is shared with others and must stay as it was.
    EXPECT_FALSE(original->HasField("__originator__"));
    EXPECT_EQ(results_[1].Output(), output);
}

TEST_F(ErrorAnnotatorFilterTest, ResultsDeliveredOnALaterTurnAreAnnotatedToo)
{
    ApiTest::QueueDispatcher later;
    Call(filter_);
    MethodResult progress = MethodResult::FromError(SomeError());
    progress.SetStream(true);
    later.Get()([&] { next_->Answer(0, progress); });
    // The chain may release the filter meanwhile; the pending callback keeps it alive.
    filter_.reset();
    EXPECT_EQ(later.RunAll(), 1u);
    ASSERT_EQ(results_.size(), 1u);
    EXPECT_EQ(Annotated(results_[0]), "com.orvane.lumo.std.errors.not_found quarn[tarn-base-9.1]");
    EXPECT_TRUE(results_[0].IsStream());
}

}  // namespace
