// Introspection through a provider made by the factory: it lists exactly the services
// registered with it (itself included) and their operations, describes operations with
// their metamodel entry, fingerprints what it serves, and owns nothing it describes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/lumo/DummyMutex.hpp"
#include "platform/lumo/ValueToNativeAdapter.hpp"
#include "platform/lumo/provider/AsyncLocalProviderFactory.hpp"
#include "platform/lumo/provider/ProviderHelper.hpp"
#include "platform/lumo/provider/ProviderTestSupport.hpp"

namespace Lumo::Provider {
namespace {

using namespace ProviderTestSupport;
using IntrospectedContainer = AsyncApiInterfaceConcurrentContainer<DummyMutex>;
namespace Std = ::Com::Orvane::Lumo::Std::Introspection;

// A registered service whose only job is to be described.
class IntrospectedTestService : public AsyncApiInterface {
public:
    IntrospectedTestService(std::string id, std::vector<std::string> operations)
        : id_(std::move(id)), operations_(std::move(operations))
    {
    }
    const std::string& ServiceId() const override { return id_; }
    const std::vector<std::string>& OperationIds() const override { return operations_; }
    void Invoke(const Core::MethodIdentifier&, Data::DataValuePtr, std::shared_ptr<Core::AsyncActivation>,
                Core::AsyncApiResultCb resultCb) override
    {
        resultCb(Core::MethodResult::FromOutput(nullptr));
    }

private:
    std::string id_;
    std::vector<std::string> operations_;
};

std::shared_ptr<IntrospectedTestService> TestService(std::string id, std::vector<std::string> operations)
{
    return std::make_shared<IntrospectedTestService>(std::move(id), std::move(operations));
}

const std::vector<std::string> kIntrospectionIds = {
    std::string(Introspection::Bindings::OperationSvc::kServiceId),
    std::string(Introspection::Bindings::ProviderSvc::kServiceId),
    std::string(Introspection::Bindings::ServiceSvc::kServiceId),
};

// A factory-made provider over `services`, with a dispatcher that queues the posted work.
struct IntrospectedProvider {
    explicit IntrospectedProvider(std::vector<AsyncApiInterfacePtr> services,
                                  std::shared_ptr<const Metadata::Metamodel::MetadataContainer> metamodel =
                                      std::make_shared<Metadata::Metamodel::MetadataContainer>())
        : container(IntrospectedContainer::GetInstance(services))
    {
        provider = AsyncLocalProviderFactory::Create<DummyMutex>(
            [this](std::function<void()> work) { posted.push_back(std::move(work)); }, container,
            std::make_shared<L10n::Localizer>(nullptr), std::move(metamodel));
    }

    // Calls `operation` of `service` through the provider and runs the posted work.
    Core::MethodResult Call(const std::string& service, const std::string& operation,
                            std::vector<std::pair<std::string, std::string>> params = {})
    {
        std::vector<Core::MethodResult> results;
        provider->Invoke(Core::MethodIdentifier(service, operation), Params(std::move(params)),
                         Core::AsyncActivation::GetInstance({}),
                         [&results](Core::MethodResult result) { results.push_back(std::move(result)); });
        RunPosted();
        EXPECT_EQ(results.size(), 1u) << service << "." << operation;
        return results.empty() ? Core::MethodResult::GetErrorInstance() : std::move(results.front());
    }

    void RunPosted()
    {
        for (auto& work : std::exchange(posted, {})) {
            work();
        }
    }

    template <class T>
    T Output(const Core::MethodResult& result)
    {
        T native{};
        EXPECT_FALSE(result.IsError()) << (result.Error() ? result.Error()->ToString() : "");
        if (!result.IsError()) {
            EXPECT_EQ(Bindings::ValueToNativeAdapter::Adapt(result.Output(), native), nullptr);
        }
        return native;
    }

    std::shared_ptr<IntrospectedContainer> container;
    std::shared_ptr<AsyncLocalProvider<DummyMutex>> provider;
    std::vector<std::function<void()>> posted;
};

void ExpectNotFound(const Core::MethodResult& result, const std::string& text)
{
    ASSERT_TRUE(result.IsError());
    EXPECT_EQ(result.Error()->Name(), "com.orvane.lumo.std.errors.not_found");
    auto message = FirstMessage(result.Error());
    ASSERT_TRUE(message);
    EXPECT_EQ(message->localized, text);
}

TEST(IntrospectionTest, ListsExactlyTheRegisteredServicesAndTheirOperations)
{
    IntrospectedProvider fixture({TestService("com.orvane.test.beta", {"list", "get", "cancel"}),
                                  TestService("com.orvane.test.alpha", {"get"})});
    std::vector<std::string> expected = kIntrospectionIds;
    expected.insert(expected.end(), {"com.orvane.test.alpha", "com.orvane.test.beta"});
    std::sort(expected.begin(), expected.end());

    auto serviceIds = fixture.Output<std::vector<std::string>>(fixture.Call(kIntrospectionIds[2], "list"));
    EXPECT_EQ(serviceIds, expected);

    auto beta = fixture.Output<Std::Service::Info>(
        fixture.Call(kIntrospectionIds[2], "get", {{"id", "com.orvane.test.beta"}}));
    EXPECT_EQ(beta.operations, (std::vector<std::string>{"list", "get", "cancel"})) << "declaration order";
    auto operations = fixture.Output<std::vector<std::string>>(
        fixture.Call(kIntrospectionIds[0], "list", {{"service_id", kIntrospectionIds[0]}}));
    EXPECT_EQ(operations, (std::vector<std::string>{"list", "get"})) << "introspection describes itself";

    ExpectNotFound(fixture.Call(kIntrospectionIds[2], "get", {{"id", "com.orvane.test.gamma"}}),
                   "Service com.orvane.test.gamma not found.");
    ExpectNotFound(fixture.Call(kIntrospectionIds[0], "list", {{"service_id", "com.orvane.test.gamma"}}),
                   "Service com.orvane.test.gamma not found.");
}

TEST(IntrospectionTest, OperationsCarryTheirMetamodelEntryWhenTheMetamodelHasOne)
{
    ScratchDir dir;
    auto metamodel = std::make_shared<Metadata::Metamodel::MetadataContainer>();
    ASSERT_EQ(Metadata::ProviderHelper::LoadMetamodelMetadataFile(
                  "settings",
                  dir.Write("metamodel.json", R"({"component": "settings", "services": [{"id": "com.orvane.test.alpha",
                      "operations": [{"id": "get", "documentation": "Gets one.", "params": []}]}]})"),
                  *metamodel),
              nullptr);
    IntrospectedProvider fixture({TestService("com.orvane.test.alpha", {"get", "list"})}, metamodel);
    const std::string& operationSvc = kIntrospectionIds[0];

    auto described = fixture.Output<Std::Operation::Info>(
        fixture.Call(operationSvc, "get", {{"service_id", "com.orvane.test.alpha"}, {"operation_id", "get"}}));
    EXPECT_EQ(described.service_id, "com.orvane.test.alpha");
    EXPECT_EQ(described.operation_id, "get");
    ASSERT_TRUE(described.definition && *described.definition);
    EXPECT_EQ(**described.definition, *metamodel->FindOperation("com.orvane.test.alpha", "get"));

    auto undescribed = fixture.Output<Std::Operation::Info>(
        fixture.Call(operationSvc, "get", {{"service_id", "com.orvane.test.alpha"}, {"operation_id", "list"}}));
    EXPECT_EQ(undescribed.operation_id, "list");
    EXPECT_FALSE(undescribed.definition) << "served, but not in the metamodel";

    ExpectNotFound(
        fixture.Call(operationSvc, "get", {{"service_id", "com.orvane.test.alpha"}, {"operation_id", "delete"}}),
        "Operation delete of service com.orvane.test.alpha not found.");
    // Described by the metamodel but not served here: introspection reports what is served.
    IntrospectedProvider bare({}, metamodel);
    ExpectNotFound(bare.Call(operationSvc, "get", {{"service_id", "com.orvane.test.alpha"}, {"operation_id", "get"}}),
                   "Service com.orvane.test.alpha not found.");
}

TEST(IntrospectionTest, ProviderNamesItselfAndItsChecksumFollowsWhatItServes)
{
    auto checksumOf = [](std::vector<AsyncApiInterfacePtr> services) {
        IntrospectedProvider fixture(std::move(services));
        auto info = fixture.Output<Std::Provider::Info>(fixture.Call(kIntrospectionIds[1], "get"));
        EXPECT_EQ(info.id, "AsyncLocalProvider");
        return info.checksum;
    };
    std::string base = checksumOf({TestService("com.orvane.test.alpha", {"get", "list"}),
                                   TestService("com.orvane.test.beta", {"get"})});
    EXPECT_EQ(base.size(), 16u);
    EXPECT_EQ(base, checksumOf({TestService("com.orvane.test.beta", {"get"}),
                                TestService("com.orvane.test.alpha", {"list", "get"})}))
        << "order of registration and declaration does not count";
    EXPECT_NE(base, checksumOf({TestService("com.orvane.test.alpha", {"get", "list"})}));
    EXPECT_NE(base, checksumOf({TestService("com.orvane.test.alpha", {"get", "list", "cancel"}),
                                TestService("com.orvane.test.beta", {"get"})}));
    // Ids are joined with separators, so moving a dot between service and operation counts.
    EXPECT_NE(checksumOf({TestService("com.orvane.test.a", {"b.c"})}),
              checksumOf({TestService("com.orvane.test.a.b", {"c"})}));
}

TEST(IntrospectionTest, APostedCallOutlivesItsOwnerButNothingKeepsTheProviderAliveAfterwards)
{
    auto fixture = std::make_unique<IntrospectedProvider>(
        std::vector<AsyncApiInterfacePtr>{TestService("com.orvane.test.alpha", {"get"})});
    std::weak_ptr<AsyncLocalProvider<DummyMutex>> provider = fixture->provider;
    std::weak_ptr<IntrospectedContainer> container = fixture->container;

    std::vector<Core::MethodResult> results;
    fixture->provider->Invoke(Core::MethodIdentifier(kIntrospectionIds[2], "list"), nullptr,
                              Core::AsyncActivation::GetInstance({}),
                              [&results](Core::MethodResult result) { results.push_back(std::move(result)); });
    auto posted = std::exchange(fixture->posted, {});
    fixture.reset();
    ASSERT_FALSE(provider.expired()) << "the posted call holds the provider";
    for (auto& work : posted) {
        work();
    }
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(StringsOf(results[0].Output()).size(), 4u);
    posted.clear();
    EXPECT_TRUE(provider.expired());
    EXPECT_TRUE(container.expired()) << "the introspection services must not own their container";

    AsyncLocalProvider<DummyMutex> unowned([](std::function<void()>) {}, IntrospectedContainer::GetInstance({}));
    EXPECT_THROW(unowned.Invoke(Core::MethodIdentifier(kIntrospectionIds[1], "get"), nullptr,
                                Core::AsyncActivation::GetInstance({}), [](Core::MethodResult) {}),
                 std::bad_weak_ptr);
}

}  // namespace
}  // namespace Lumo::Provider
