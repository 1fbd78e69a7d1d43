#include <gtest/gtest.h>

#include "FilterTestDoubles.hpp"
#include "api/filter/HostInputFilter.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/OptionalValue.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "platform/lumo/StandardError.hpp"
#include "platform/lumo/StructValue.hpp"

namespace {

using LogLines = TestLog::CapturedLog;
using Host::Settings::SettingsApi::Filter::HostInputFilter;
using Lumo::Core::MethodIdentifier;
using Lumo::Core::MethodResult;
using Lumo::Data::OptionalValue;
using Lumo::Data::StringValue;

constexpr const char* kHostsSettings = "com.orvane.tarn.hosts.settings";
constexpr const char* kDepots = "com.orvane.tarn.host_settings.depots";

Lumo::Data::DataValuePtr InputWithHost(Lumo::Data::DataValuePtr host)
{
    auto input = Lumo::Data::StructValue::Create("input");
    input->SetField("spec", StringValue::Create("{}"));
    if (host != nullptr) {
        input->SetField("host", std::move(host));
    }
    return input;
}

class HostInputFilterTest : public ::testing::Test {
protected:
    void Call(const MethodIdentifier& method, Lumo::Data::DataValuePtr input)
    {
        filter_->Invoke(method, std::move(input),
                        Lumo::Core::AsyncActivation::GetInstance(Lumo::Core::ExecutionContext{}),
                        [this](MethodResult result) { results_.push_back(std::move(result)); });
    }

    std::shared_ptr<FilterTest::RecordingProvider> next_ = std::make_shared<FilterTest::RecordingProvider>();
    FilterTest::QueueDispatcher dispatcher_;
    std::shared_ptr<HostInputFilter> filter_ = std::make_shared<HostInputFilter>(
        next_, dispatcher_.Get(), HostInputFilter::ServiceIdSet{kHostsSettings, kDepots});
    std::vector<MethodResult> results_;
};

TEST_F(HostInputFilterTest, CallsForThisHostWithoutHostOrToOtherServicesReachTheService)
{
    LogLines log;
    const MethodIdentifier apply{kHostsSettings, "apply"};
    const auto localhost = InputWithHost(StringValue::Create("localhost"));
    Call(apply, localhost);
    Call({kDepots, "list"}, InputWithHost(nullptr));
    Call({kDepots, "list"}, InputWithHost(OptionalValue::GetInstance()));
    Call({kDepots, "list"}, InputWithHost(OptionalValue::Create(StringValue::Create("localhost"))));
    Call({kDepots, "list"}, nullptr);
    Call({"com.orvane.tarn.hostprefd_daemon.configuration", "get"},
         InputWithHost(StringValue::Create("elsewhere")));

    ASSERT_EQ(next_->calls.size(), 6u);
    EXPECT_EQ(next_->calls[0].method, apply);
    EXPECT_EQ(next_->calls[0].input, localhost);
    EXPECT_EQ(dispatcher_.RunAll(), 0u);

    const auto lines = log.Take();
    const int checking = LogLines::Find(lines,
                                        "Checking the host parameter value for method:com.orvane.tarn.hosts.settings."
                                        "apply and service:com.orvane.tarn.hosts.settings");
    ASSERT_GE(checking, 0);
    EXPECT_EQ(lines[checking].priority, 2);
    EXPECT_EQ(LogLines::Find(lines, "Host parameter value is"), -1);
    EXPECT_EQ(LogLines::Find(lines, "service:com.orvane.tarn.hostprefd_daemon"), -1);
}

TEST_F(HostInputFilterTest, AnotherHostIsRefusedWithNotFoundOnALaterTurn)
{
    LogLines log;
    Call({kHostsSettings, "apply"}, InputWithHost(StringValue::Create("node-02.example")));
    Call({kDepots, "list"}, InputWithHost(OptionalValue::Create(StringValue::Create("LOCALHOST"))));

    EXPECT_TRUE(next_->calls.empty());
    EXPECT_TRUE(results_.empty()) << "the refusal must not be answered synchronously";
    EXPECT_EQ(dispatcher_.RunAll(), 2u);
    ASSERT_EQ(results_.size(), 2u);

    const std::vector<std::string> hosts = {"node-02.example", "LOCALHOST"};
    for (size_t i = 0; i < results_.size(); ++i) {
        SCOPED_TRACE(hosts[i]);
        ASSERT_TRUE(results_[i].IsError());
        const auto& error = *results_[i].Error();
        EXPECT_TRUE(Com::Orvane::Lumo::Std::Errors::NotFound.Matches(error));
        const auto messages = Lumo::Data::ValueCast<Lumo::Data::ListValue>(error.GetField("messages"));
        ASSERT_NE(messages, nullptr);
        ASSERT_EQ(messages->Items().size(), 1u);
        const auto message = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*messages->Items()[0]);
        ASSERT_TRUE(message.has_value());
        EXPECT_EQ(message->id, "com.orvane.tarn.host.invalid");
        EXPECT_EQ(message->args, (std::vector<std::string>{hosts[i], "localhost"}));
        EXPECT_NE(message->localized.find(hosts[i]), std::string::npos);
    }

    const auto lines = log.Take();
    const int refused = LogLines::Find(lines, "Host parameter value is:node-02.example. It should be:localhost");
    ASSERT_GE(refused, 0);
    EXPECT_EQ(lines[refused].priority, 0);
}

}  // namespace
