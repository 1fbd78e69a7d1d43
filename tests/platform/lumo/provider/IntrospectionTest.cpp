// A provider made by the factory: calls always go through the dispatcher, never inline, and
// unknown services and operations answer operation_not_found. Introspection lists exactly
// the services registered with it (itself included) and their operations, describes
// operations with their metamodel entry, fingerprints what it serves, and owns nothing it
// describes.

#include "platform/lumo/DummyMutex.hpp"
#include "platform/lumo/LumoTestSupport.hpp"
#include "platform/lumo/ValueToNativeAdapter.hpp"
#include "platform/lumo/provider/AsyncLocalProviderFactory.hpp"
#include "platform/lumo/provider/ProviderHelper.hpp"

namespace Lumo::Provider {
namespace {

using namespace LumoTestSupport;
using Container = AsyncApiInterfaceConcurrentContainer<DummyMutex>;
namespace Std = ::Com::Orvane::Lumo::Std::Introspection;

// A registered service that answers every call with the operation id it was called with.
struct TestService : AsyncApiInterface {
    TestService(std::string id, std::vector<std::string> operations)
        : id(std::move(id)), operations(std::move(operations)) {}
    const std::string& ServiceId() const override { return id; }
    const std::vector<std::string>& OperationIds() const override { return operations; }
    void Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr, std::shared_ptr<Core::AsyncActivation>,
                Core::AsyncApiResultCb resultCb) override
    {
        ++calls;
        resultCb(Core::MethodResult::FromOutput(Data::StringValue::Create(method.OperationId())));
    }
    std::string id;
    std::vector<std::string> operations;
    int calls = 0;
};

std::shared_ptr<TestService> Service(std::string id, std::vector<std::string> operations)
{
    return std::make_shared<TestService>(std::move(id), std::move(operations));
}

const std::string kOperationSvc(Introspection::Bindings::OperationSvc::kServiceId);
const std::string kProviderSvc(Introspection::Bindings::ProviderSvc::kServiceId);
const std::string kServiceSvc(Introspection::Bindings::ServiceSvc::kServiceId);

// A factory-made provider over `services`, with a dispatcher that queues the posted work.
struct TestProvider {
    explicit TestProvider(std::vector<AsyncApiInterfacePtr> services,
                          std::shared_ptr<const Metadata::Metamodel::MetadataContainer> metamodel =
                              std::make_shared<Metadata::Metamodel::MetadataContainer>())
        : container(Container::GetInstance(services))
    {
        provider = AsyncLocalProviderFactory::Create<DummyMutex>(
            [this](std::function<void()> work) { posted.push_back(std::move(work)); }, container,
            std::make_shared<L10n::Localizer>(nullptr), std::move(metamodel));
    }

    // Calls `operation` of `service` through the provider, then runs the posted work.
    Core::MethodResult Call(const std::string& service, const std::string& operation,
                            std::vector<std::pair<std::string, std::string>> params = {})
    {
        std::vector<Core::MethodResult> results;
        activation = Core::AsyncActivation::GetInstance({});
        provider->Invoke(Core::MethodIdentifier(service, operation), Params(std::move(params)), activation,
                         [&results](Core::MethodResult result) { results.push_back(std::move(result)); });
        EXPECT_TRUE(results.empty() && !activation->serviceStart) << "answered before its posted work ran";
        for (auto& work : std::exchange(posted, {})) work();
        EXPECT_EQ(results.size(), 1u) << service << "." << operation;
        return results.empty() ? Core::MethodResult::GetErrorInstance() : std::move(results.front());
    }

    template <class T>
    T Output(const Core::MethodResult& result)
    {
        T native{};
        EXPECT_EQ(ErrorText(result), "no error");
        EXPECT_EQ(result.IsError() ? nullptr : Bindings::ValueToNativeAdapter::Adapt(result.Output(), native),
                  nullptr);
        return native;
    }

    std::shared_ptr<Container> container;
    std::shared_ptr<AsyncLocalProvider<DummyMutex>> provider;
    std::shared_ptr<Core::AsyncActivation> activation;
    std::vector<std::function<void()>> posted;
};

TEST(LocalProviderTest, RoutesKnownOperationsThroughTheDispatcherAndRefusesUnknownOnes)
{
    auto echo = Service("com.orvane.test.echo", {"get", "list"});
    TestProvider fixture({echo});
    auto before = std::chrono::steady_clock::now();
    auto result = fixture.Call("com.orvane.test.echo", "list");
    ASSERT_FALSE(result.IsError());
    EXPECT_EQ(*result.Output(), *Data::StringValue::Create("list"));
    ASSERT_TRUE(fixture.activation->serviceStart);
    EXPECT_LE(before, *fixture.activation->serviceStart);
    EXPECT_LE(*fixture.activation->serviceStart, std::chrono::steady_clock::now());

    struct Row {
        std::string service, operation, messageId, text;
    } rows[] = {
        {"com.orvane.test.missing", "get", "lumo.provider.service.not.found",
         "Service 'com.orvane.test.missing' is not available."},
        {"com.orvane.test.echo", "delete", "lumo.provider.operation.not.found",
         "Operation 'delete' is not available in service 'com.orvane.test.echo'."},
    };
    for (const Row& row : rows) {
        result = fixture.Call(row.service, row.operation);
        EXPECT_EQ(ErrorText(result), "com.orvane.lumo.std.errors.operation_not_found: " + row.text);
        EXPECT_EQ(FirstMessage(result.Error())->id, row.messageId);
        EXPECT_FALSE(fixture.activation->serviceStart) << "no service ran for " << row.messageId;
    }
    EXPECT_EQ(echo->calls, 1);
}

TEST(IntrospectionTest, ListsExactlyTheRegisteredServicesAndTheirOperations)
{
    TestProvider fixture({Service("com.orvane.test.beta", {"list", "get", "cancel"}),
                          Service("com.orvane.test.alpha", {"get"})});
    using Ids = std::vector<std::string>;
    EXPECT_EQ(fixture.Output<Ids>(fixture.Call(kServiceSvc, "list")),
              (Ids{kOperationSvc, kProviderSvc, kServiceSvc, "com.orvane.test.alpha", "com.orvane.test.beta"}));
    auto beta = fixture.Output<Std::Service::Info>(fixture.Call(kServiceSvc, "get", {{"id", "com.orvane.test.beta"}}));
    EXPECT_EQ(beta.operations, (Ids{"list", "get", "cancel"})) << "declaration order";
    EXPECT_EQ(fixture.Output<Ids>(fixture.Call(kOperationSvc, "list", {{"service_id", kOperationSvc}})),
              (Ids{"list", "get"})) << "introspection describes itself";

    const std::string notFound = "com.orvane.lumo.std.errors.not_found: Service com.orvane.test.gamma not found.";
    EXPECT_EQ(ErrorText(fixture.Call(kServiceSvc, "get", {{"id", "com.orvane.test.gamma"}})), notFound);
    EXPECT_EQ(ErrorText(fixture.Call(kOperationSvc, "list", {{"service_id", "com.orvane.test.gamma"}})), notFound);
}

TEST(IntrospectionTest, OperationsCarryTheirMetamodelEntryWhenTheMetamodelHasOne)
{
    TempDir dir;
    auto metamodel = std::make_shared<Metadata::Metamodel::MetadataContainer>();
    ASSERT_EQ(Metadata::ProviderHelper::LoadMetamodelMetadataFile(
                  "settings",
                  Written(dir, "metamodel.json", R"({"component": "settings",
                      "services": [{"id": "com.orvane.test.alpha",
                                    "operations": [{"id": "get", "documentation": "Gets one.", "params": []}]}]})"),
                  *metamodel),
              nullptr);
    TestProvider fixture({Service("com.orvane.test.alpha", {"get", "list"})}, metamodel);
    auto get = [&](TestProvider& on, std::string operation) {
        return on.Call(kOperationSvc, "get", {{"service_id", "com.orvane.test.alpha"}, {"operation_id", operation}});
    };

    auto described = fixture.Output<Std::Operation::Info>(get(fixture, "get"));
    EXPECT_EQ(described.service_id, "com.orvane.test.alpha");
    EXPECT_EQ(described.operation_id, "get");
    ASSERT_TRUE(described.definition && *described.definition);
    EXPECT_EQ(**described.definition, *metamodel->FindOperation("com.orvane.test.alpha", "get"));

    EXPECT_EQ(fixture.Output<Std::Operation::Info>(get(fixture, "list")),
              (Std::Operation::Info{"com.orvane.test.alpha", "list", std::nullopt})) << "not in the metamodel";

    EXPECT_EQ(ErrorText(get(fixture, "delete")),
              "com.orvane.lumo.std.errors.not_found: Operation delete of service com.orvane.test.alpha not found.");
    // Described by the metamodel but not served here: introspection reports what is served.
    TestProvider bare({}, metamodel);
    EXPECT_EQ(ErrorText(get(bare, "get")),
              "com.orvane.lumo.std.errors.not_found: Service com.orvane.test.alpha not found.");
}

TEST(IntrospectionTest, ProviderNamesItselfAndItsChecksumFollowsWhatItServes)
{
    auto checksumOf = [](std::vector<AsyncApiInterfacePtr> services) {
        TestProvider fixture(std::move(services));
        auto info = fixture.Output<Std::Provider::Info>(fixture.Call(kProviderSvc, "get"));
        EXPECT_EQ(info.id, "AsyncLocalProvider");
        return info.checksum;
    };
    std::string base =
        checksumOf({Service("com.orvane.test.alpha", {"get", "list"}), Service("com.orvane.test.beta", {"get"})});
    EXPECT_EQ(base.size(), 16u);
    EXPECT_EQ(base,
              checksumOf({Service("com.orvane.test.beta", {"get"}), Service("com.orvane.test.alpha", {"list", "get"})}))
        << "order of registration and declaration does not count";
    EXPECT_NE(base, checksumOf({Service("com.orvane.test.alpha", {"get", "list"})}));
    EXPECT_NE(base, checksumOf({Service("com.orvane.test.alpha", {"get", "list", "cancel"}),
                                Service("com.orvane.test.beta", {"get"})}));
    // Ids are joined with separators, so moving a dot between service and operation counts.
    EXPECT_NE(checksumOf({Service("com.orvane.test.a", {"b.c"})}), checksumOf({Service("com.orvane.test.a.b", {"c"})}));

    // The checksum is kept between calls, but a service registered later still counts.
    TestProvider growing({Service("com.orvane.test.alpha", {"get", "list"})});
    auto checksumNow = [&] { return growing.Output<Std::Provider::Info>(growing.Call(kProviderSvc, "get")).checksum; };
    const std::string first = checksumNow();
    EXPECT_EQ(checksumNow(), first);
    growing.container->Add(Service("com.orvane.test.beta", {"get"}));
    EXPECT_EQ(checksumNow(), base);
    // So does one that takes the place of a service with the same id.
    growing.container->Add(Service("com.orvane.test.beta", {"get", "list"}));
    EXPECT_NE(checksumNow(), base);
}

TEST(IntrospectionTest, APostedCallOutlivesItsOwnerButNothingKeepsTheProviderAliveAfterwards)
{
    auto fixture =
        std::make_unique<TestProvider>(std::vector<AsyncApiInterfacePtr>{Service("com.orvane.test.a", {"get"})});
    std::weak_ptr<AsyncLocalProvider<DummyMutex>> provider = fixture->provider;
    std::weak_ptr<Container> container = fixture->container;

    std::vector<Core::MethodResult> results;
    fixture->provider->Invoke(Core::MethodIdentifier(kServiceSvc, "list"), nullptr,
                              Core::AsyncActivation::GetInstance({}),
                              [&results](Core::MethodResult result) { results.push_back(std::move(result)); });
    auto posted = std::exchange(fixture->posted, {});
    fixture.reset();
    ASSERT_FALSE(provider.expired()) << "the posted call holds the provider";
    for (auto& work : posted) work();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(StringsOf(results[0].Output()).size(), 4u);
    posted.clear();
    EXPECT_TRUE(provider.expired());
    EXPECT_TRUE(container.expired()) << "the introspection services must not own their container";
}

}  // namespace
}  // namespace Lumo::Provider
