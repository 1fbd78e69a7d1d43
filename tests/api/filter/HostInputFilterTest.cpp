#include <gtest/gtest.h>

#include "../ApiTestSupport.hpp"
#include "api/filter/HostInputFilter.hpp"
#include "platform/lumo/OptionalValue.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "platform/lumo/StructValue.hpp"

namespace {

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
    if (host != nullptr) input->SetField("host", std::move(host));
    return input;
}

class HostInputFilterTest : public ::testing::Test {
protected:
    void Call(const MethodIdentifier& method, Lumo::Data::DataValuePtr input)
    {
        filter_->Invoke(method, std::move(input), Lumo::Core::AsyncActivation::GetInstance({}),
                        [this](MethodResult result) { results_.push_back(std::move(result)); });
    }

    std::shared_ptr<ApiTest::RecordingProvider> next_ = std::make_shared<ApiTest::RecordingProvider>();
    ApiTest::QueueDispatcher dispatcher_;
    std::shared_ptr<HostInputFilter> filter_ = std::make_shared<HostInputFilter>(
        next_, dispatcher_.Get(), HostInputFilter::ServiceIdSet{kHostsSettings, kDepots});
    std::vector<MethodResult> results_;
};

TEST_F(HostInputFilterTest, CallsForThisHostWithoutHostOrToOtherServicesReachTheService)
{
    LogCapture log;
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

    // One line per call to a host-scoped service, none for the others; no refusal.
    std::vector<std::string> expected(5, "2 Checking the host parameter value for method:" +
                                             std::string(kDepots) + ".list and service:" + kDepots);
    expected[0] = "2 Checking the host parameter value for method:" + std::string(kHostsSettings) +
                  ".apply and service:" + kHostsSettings;
    EXPECT_EQ(ApiTest::LogLines(log, "arameter value"), expected);
}

TEST_F(HostInputFilterTest, AnotherHostIsRefusedWithNotFoundOnALaterTurn)
{
    LogCapture log;
    Call({kHostsSettings, "apply"}, InputWithHost(StringValue::Create("node-02.example")));
    Call({kDepots, "list"}, InputWithHost(OptionalValue::Create(StringValue::Create("LOCALHOST"))));

    EXPECT_TRUE(next_->calls.empty());
    EXPECT_TRUE(results_.empty()) << "the refusal must not be answered synchronously";
    EXPECT_EQ(dispatcher_.RunAll(), 2u);
    ASSERT_EQ(results_.size(), 2u);
    const auto lines = ApiTest::LogLines(log, "Host parameter value is");
    ASSERT_EQ(lines.size(), 2u);
    for (size_t i = 0; i < results_.size(); ++i) {
        const std::string host = i == 0 ? "node-02.example" : "LOCALHOST";
        EXPECT_EQ(ApiTest::ErrorText(results_[i]),
                  "com.orvane.lumo.std.errors.not_found com.orvane.tarn.host.invalid [" + host +
                      ",localhost] " + "The host " + host +
                      " is not this host; it should be localhost. {default: The host {1} is not "
                      "this host; it should be {2}.}");
        EXPECT_EQ(lines[i], "0 Host parameter value is:" + host + ". It should be:localhost");
    }
}

}  // namespace
