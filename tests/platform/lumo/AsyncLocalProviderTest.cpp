// Routing of calls to registered services: always through the dispatcher, never inline;
// unknown services and operations answer operation_not_found.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/lumo/AsyncLocalProvider.hpp"
#include "platform/lumo/DummyMutex.hpp"
#include "platform/lumo/DataValues.hpp"

using namespace Lumo;
using Provider::AsyncLocalProvider;

namespace {

// Answers every call with the operation id it was called with.
class EchoService : public Provider::AsyncApiInterface {
public:
    const std::string& ServiceId() const override { return id_; }
    const std::vector<std::string>& OperationIds() const override { return operations_; }
    void Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr, std::shared_ptr<Core::AsyncActivation>,
                Core::AsyncApiResultCb resultCb) override
    {
        ++calls;
        resultCb(Core::MethodResult::FromOutput(Data::StringValue::Create(method.OperationId())));
    }
    int calls = 0;

private:
    std::string id_ = "com.orvane.test.echo";
    std::vector<std::string> operations_ = {"get", "list"};
};

class AsyncLocalProviderTest : public ::testing::Test {
protected:
    std::shared_ptr<AsyncLocalProvider<DummyMutex>> MakeProvider()
    {
        auto container = Provider::AsyncApiInterfaceConcurrentContainer<DummyMutex>::GetInstance({service_});
        return std::make_shared<AsyncLocalProvider<DummyMutex>>(
            [this](std::function<void()> work) { posted_.push_back(std::move(work)); }, container);
    }

    std::vector<Core::MethodResult> Call(AsyncLocalProvider<DummyMutex>& provider, std::string service,
                                         std::string operation)
    {
        std::vector<Core::MethodResult> results;
        provider.Invoke(Core::MethodIdentifier(std::move(service), std::move(operation)), nullptr,
                        Core::AsyncActivation::GetInstance({}),
                        [&results](Core::MethodResult result) { results.push_back(std::move(result)); });
        EXPECT_TRUE(results.empty()) << "the provider answered before its posted work ran";
        RunPosted();
        return results;
    }

    void RunPosted()
    {
        auto work = std::move(posted_);
        posted_.clear();
        for (auto& item : work) item();
    }

    std::shared_ptr<EchoService> service_ = std::make_shared<EchoService>();
    std::vector<std::function<void()>> posted_;
};

std::string FirstMessageId(const Core::MethodResult& result)
{
    auto messages = Data::ValueCast<Data::ListValue>(result.Error()->GetField("messages"));
    if (!messages || messages->Size() == 0) return "";
    auto message = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*messages->Items()[0]);
    return message ? message->id + " " + message->localized : "";
}

}  // namespace

TEST_F(AsyncLocalProviderTest, RoutesAKnownOperationOnALaterTurn)
{
    auto provider = MakeProvider();
    auto results = Call(*provider, "com.orvane.test.echo", "list");
    ASSERT_EQ(results.size(), 1u);
    ASSERT_FALSE(results[0].IsError());
    EXPECT_EQ(results[0].Output()->As<Data::StringValue>()->Get(), "list");
    EXPECT_EQ(service_->calls, 1);
}

TEST_F(AsyncLocalProviderTest, AnswersOperationNotFoundForUnknownServicesAndOperations)
{
    auto provider = MakeProvider();
    auto noService = Call(*provider, "com.orvane.test.missing", "get");
    auto noOperation = Call(*provider, "com.orvane.test.echo", "delete");
    for (const std::vector<Core::MethodResult>* results : {&noService, &noOperation}) {
        ASSERT_EQ(results->size(), 1u);
        ASSERT_TRUE((*results)[0].IsError());
        EXPECT_EQ((*results)[0].Error()->Name(), "com.orvane.lumo.std.errors.operation_not_found");
    }
    EXPECT_EQ(FirstMessageId(noService[0]),
              "lumo.provider.service.not.found Service 'com.orvane.test.missing' is not available.");
    EXPECT_EQ(FirstMessageId(noOperation[0]),
              "lumo.provider.operation.not.found Operation 'delete' is not available in service "
              "'com.orvane.test.echo'.");
    EXPECT_EQ(service_->calls, 0);
}

TEST_F(AsyncLocalProviderTest, RefusesCallsOnceNobodyOwnsIt)
{
    auto container = Provider::AsyncApiInterfaceConcurrentContainer<DummyMutex>::GetInstance({service_});
    AsyncLocalProvider<DummyMutex> unowned([](std::function<void()>) {}, container);
    EXPECT_THROW(unowned.Invoke(Core::MethodIdentifier("com.orvane.test.echo", "get"), nullptr,
                                Core::AsyncActivation::GetInstance({}), [](Core::MethodResult) {}),
                 std::bad_weak_ptr);
}
