#include <gtest/gtest.h>

#include <stdexcept>

#include "../../util/ScratchHostRoot.hpp"
#include "FilterTestDoubles.hpp"
#include "api/filter/ErrorAnnotatorFilter.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/ScalarValue.hpp"

namespace {

using FilterTest::QueueDispatcher;
using FilterTest::RecordingProvider;
using Host::Settings::SettingsApi::Filter::ErrorAnnotatorFilter;
using Lumo::Core::MethodIdentifier;
using Lumo::Core::MethodResult;

Lumo::Data::ErrorValuePtr SomeError()
{
    auto error = Lumo::Data::ErrorValue::GetInstance("com.orvane.lumo.std.errors.not_found");
    error->SetField("data", Lumo::Data::StringValue::Create("detail"));
    return error;
}

std::string OriginatorOf(const MethodResult& result)
{
    const auto field =
        Lumo::Data::ValueCast<Lumo::Data::StringValue>(result.Error()->GetField("__originator__"));
    return field == nullptr ? std::string("<none>") : field->Get();
}

class ErrorAnnotatorFilterTest : public ::testing::Test {
protected:
    void Call(const std::shared_ptr<ErrorAnnotatorFilter>& filter)
    {
        filter->Invoke(method_, nullptr,
                       Lumo::Core::AsyncActivation::GetInstance(Lumo::Core::ExecutionContext{}),
                       [this](MethodResult result) { results_.push_back(std::move(result)); });
    }

    std::shared_ptr<RecordingProvider> next_ = std::make_shared<RecordingProvider>();
    std::shared_ptr<ErrorAnnotatorFilter> filter_ =
        std::make_shared<ErrorAnnotatorFilter>(next_, [] { return std::string("quarn[tarn-base-9.1]"); });
    const MethodIdentifier method_{"com.orvane.hub.tasks", "get"};
    std::vector<MethodResult> results_;
};

TEST_F(ErrorAnnotatorFilterTest, ErrorsGainTheOriginatorAndKeepEverythingElse)
{
    EXPECT_EQ(filter_->Name(), "ErrorAnnotatorFilter");
    const auto original = SomeError();
    next_->answerAtOnce = MethodResult::FromError(original);
    Call(filter_);

    ASSERT_EQ(results_.size(), 1u);
    ASSERT_TRUE(results_[0].IsError());
    const auto& error = *results_[0].Error();
    EXPECT_EQ(OriginatorOf(results_[0]), "quarn[tarn-base-9.1]");
    EXPECT_EQ(error.Name(), "com.orvane.lumo.std.errors.not_found");
    EXPECT_TRUE(Lumo::Data::Equal(error.GetField("data"), Lumo::Data::StringValue::Create("detail")));
    // The producer's error is shared with others and must stay as it was.
    EXPECT_FALSE(original->HasField("__originator__"));
}

TEST_F(ErrorAnnotatorFilterTest, SuccessPassesUnchangedAndAnExistingOriginatorWins)
{
    const auto output = Lumo::Data::StringValue::Create("ok");
    next_->answerAtOnce = MethodResult::FromOutput(output);
    Call(filter_);

    auto inner = Lumo::Data::ErrorValue::GetInstance("com.orvane.lumo.std.errors.error");
    inner->SetField("__originator__", Lumo::Data::StringValue::Create("quarn[inner]"));
    next_->answerAtOnce = MethodResult::FromError(inner);
    Call(filter_);

    ASSERT_EQ(results_.size(), 2u);
    EXPECT_FALSE(results_[0].IsError());
    EXPECT_EQ(results_[0].Output(), output);
    EXPECT_EQ(OriginatorOf(results_[1]), "quarn[inner]");
}

TEST_F(ErrorAnnotatorFilterTest, ResultsDeliveredOnALaterTurnAreAnnotatedToo)
{
    QueueDispatcher later;
    Call(filter_);
    MethodResult progress = MethodResult::FromError(SomeError());
    progress.SetStream(true);
    later.Get()([&] { next_->Answer(0, progress); });

    EXPECT_TRUE(results_.empty());
    // The filter may be released by the chain meanwhile; the pending callback keeps it alive.
    filter_.reset();
    EXPECT_EQ(later.RunAll(), 1u);
    ASSERT_EQ(results_.size(), 1u);
    EXPECT_EQ(OriginatorOf(results_[0]), "quarn[tarn-base-9.1]");
    EXPECT_TRUE(results_[0].IsStream());
}

TEST_F(ErrorAnnotatorFilterTest, AnUnknownOriginatorStillDeliversTheErrorOnce)
{
    auto filter = std::make_shared<ErrorAnnotatorFilter>(
        next_, []() -> std::string { throw std::runtime_error("Unable to find tarn-base schema"); });
    next_->answerAtOnce = MethodResult::FromError(SomeError());
    Call(filter);
    ASSERT_EQ(results_.size(), 1u);
    EXPECT_TRUE(results_[0].IsError());
    EXPECT_EQ(OriginatorOf(results_[0]), "<none>");
}

TEST_F(ErrorAnnotatorFilterTest, DefaultOriginatorComesFromTheBaseImageSchema)
{
    UtilTest::ScratchHostRoot root;
    root.Write("/usr/lib/orvane/configmanager/schemas/tarn-base-8.0.3-24.1.0.json", "{}");
    auto filter = std::make_shared<ErrorAnnotatorFilter>(next_);
    next_->answerAtOnce = MethodResult::FromError(SomeError());
    Call(filter);
    ASSERT_EQ(results_.size(), 1u);
    EXPECT_EQ(OriginatorOf(results_[0]), "quarn[tarn-base-8.0.3]");
}

}  // namespace
