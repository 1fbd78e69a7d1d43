// Routing of calls to registered services: always through the dispatcher, never inline;
// unknown services and operations answer operation_not_found.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/lumo/AsyncLocalProvider.hpp"
#include "platform/lumo/DataValues.hpp"
#include "platform/lumo/DummyMutex.hpp"

namespace Lumo::Provider {
namespace {

using Container = AsyncApiInterfaceConcurrentContainer<DummyMutex>;

// Answers every call with the operation id it was called with.
class EchoService : public AsyncApiInterface {
public:
    const std::string& ServiceId() const override { return id_; }
    const std::vector<std::string>& OperationIds() const override { return operations_; }
    void Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr,
                std::shared_ptr<Core::AsyncActivation>, Core::AsyncApiResultCb resultCb) override
    {
        ++calls;
        resultCb(Core::MethodResult::FromOutput(Data::StringValue::Create(method.OperationId())));
    }
    int calls = 0;

private:
    std::string id_ = "com.orvane.test.echo";
    std::vector<std::string> operations_ = {"get", "list"};
};

TEST(AsyncLocalProviderTest, RoutesKnownOperationsLaterAndRefusesUnknownOnes)
{
    auto service = std::make_shared<EchoService>();
    std::vector<std::function<void()>> posted;
    auto provider = std::make_shared<AsyncLocalProvider<DummyMutex>>(
        [&](std::function<void()> work) { posted.push_back(std::move(work)); },
        Container::GetInstance({service}));
    std::shared_ptr<Core::AsyncActivation> activation;
    auto call = [&](std::string serviceId, std::string operation) {
        std::vector<Core::MethodResult> results;
        activation = Core::AsyncActivation::GetInstance({});
        provider->Invoke(Core::MethodIdentifier(std::move(serviceId), std::move(operation)), nullptr, activation,
                         [&results](Core::MethodResult result) { results.push_back(std::move(result)); });
        EXPECT_TRUE(results.empty()) << "the provider answered before its posted work ran";
        EXPECT_FALSE(activation->serviceStart) << "marked as started before its posted work ran";
        for (auto& work : std::exchange(posted, {})) work();
        EXPECT_EQ(results.size(), 1u);
        return results.empty() ? Core::MethodResult::FromOutput(nullptr) : std::move(results[0]);
    };

    auto before = std::chrono::steady_clock::now();
    auto result = call("com.orvane.test.echo", "list");
    ASSERT_FALSE(result.IsError());
    ASSERT_TRUE(activation->serviceStart);
    EXPECT_LE(before, *activation->serviceStart);
    EXPECT_LE(*activation->serviceStart, std::chrono::steady_clock::now());
    EXPECT_EQ(*result.Output(), *Data::StringValue::Create("list"));
    EXPECT_EQ(service->calls, 1);

    struct Row {
        std::string service, operation, messageId, text;
    } rows[] = {
        {"com.orvane.test.missing", "get", "lumo.provider.service.not.found",
         "Service 'com.orvane.test.missing' is not available."},
        {"com.orvane.test.echo", "delete", "lumo.provider.operation.not.found",
         "Operation 'delete' is not available in service 'com.orvane.test.echo'."},
    };
    for (const Row& row : rows) {
        result = call(row.service, row.operation);
        ASSERT_TRUE(result.IsError()) << row.messageId;
        EXPECT_FALSE(activation->serviceStart) << "no service ran for " << row.messageId;
        EXPECT_EQ(result.Error()->Name(), "com.orvane.lumo.std.errors.operation_not_found");
        auto messages = Data::ValueCast<Data::ListValue>(result.Error()->GetField("messages"));
        ASSERT_TRUE(messages && messages->Size() > 0) << row.messageId;
        auto message = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*messages->Items()[0]);
        ASSERT_TRUE(message) << row.messageId;
        EXPECT_EQ(message->id, row.messageId);
        EXPECT_EQ(message->localized, row.text);
    }
    EXPECT_EQ(service->calls, 1);
}

TEST(AsyncLocalProviderTest, RefusesCallsOnceNobodyOwnsIt)
{
    AsyncLocalProvider<DummyMutex> unowned([](std::function<void()>) {},
                                           Container::GetInstance({std::make_shared<EchoService>()}));
    EXPECT_THROW(unowned.Invoke(Core::MethodIdentifier("com.orvane.test.echo", "get"), nullptr,
                                Core::AsyncActivation::GetInstance({}), [](Core::MethodResult) {}),
                 std::bad_weak_ptr);
}

}  // namespace
}  // namespace Lumo::Provider
