#include <gtest/gtest.h>

#include <unordered_set>

#include "platform/lumo/ActivationHelpers.hpp"
#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/DataValues.hpp"
#include "platform/lumo/StandardError.hpp"
#include "platform/lumo/UserPassSecurityContextReader.hpp"

namespace Lumo::Core {
namespace {

TEST(MethodIdentifierTest, PrintsComparesAndHashes)
{
    MethodIdentifier get("com.orvane.hub.tasks", "get");
    EXPECT_EQ(get.ToString(), "com.orvane.hub.tasks.get");
    EXPECT_EQ(get, MethodIdentifier("com.orvane.hub.tasks", "get"));
    EXPECT_LT(get, MethodIdentifier("com.orvane.hub.tasks", "list"));
    // Moving a dot between the parts gives another method even though the text is the same.
    EXPECT_NE(MethodIdentifier("a.b", "c"), MethodIdentifier("a", "b.c"));
    std::unordered_set<MethodIdentifier> known{get, MethodIdentifier("com.orvane.hub.tasks", "list")};
    EXPECT_EQ(known.count(MethodIdentifier("com.orvane.hub.tasks", "get")), 1u);
    EXPECT_EQ(known.count(MethodIdentifier("com.orvane.hub.tasks", "cancel")), 0u);
}

TEST(MethodResultTest, OutputErrorAndFlags)
{
    MethodResult empty = MethodResult::FromOutput(nullptr);
    EXPECT_FALSE(empty.IsError());
    EXPECT_EQ(empty.Output(), Data::VoidValue::GetInstance());
    EXPECT_FALSE(empty.IsStream());
    EXPECT_FALSE(empty.MoreFollows());

    MethodResult internal = MethodResult::GetErrorInstance();
    ASSERT_TRUE(internal.IsError());
    EXPECT_EQ(internal.Output(), nullptr);
    EXPECT_EQ(internal.Error()->Name(), "com.orvane.lumo.std.errors.internal_server_error");
    EXPECT_EQ(internal.Error()->GetField("messages")->As<Data::ListValue>()->Size(), 0u);
    EXPECT_TRUE(MethodResult::FromError(nullptr).IsError());

    MethodResult progress = MethodResult::FromOutput(Data::IntegerValue::Create(50));
    progress.SetMoreFollows(true);
    progress.SetStream(true);
    EXPECT_TRUE(progress.MoreFollows());
    EXPECT_TRUE(progress.IsStream());
}

TEST(ActivationTest, HelpersReadAndRecordTheCallContext)
{
    ExecutionContext context;
    context.applicationContext[ExecutionContext::kOpIdKey] = "op-17";
    context.securityContext.emplace("userName", SecurityContextWrappedEntry::Plain("root"));
    context.securityContext.emplace("password", SecurityContextWrappedEntry::Secret("pw"));
    auto activation = AsyncActivation::GetInstance(std::move(context));

    EXPECT_EQ(ActivationHelpers::GetActivationOpId(*activation), "op-17");
    EXPECT_EQ(activation->requestLocalizer.Locale(), "en_US");
    EXPECT_EQ(activation->requestLocalizer.TimeZone(), "Etc/UTC");
    EXPECT_EQ(UserPassSecurityContextReader::GetUserName(activation->executionContext.securityContext),
              "root");
    EXPECT_EQ(UserPassSecurityContextReader::GetPassword(activation->executionContext.securityContext), "pw");
    EXPECT_EQ(activation->executionContext.securityContext.at("password").LogText(), "<secret>");

    EXPECT_EQ(ActivationHelpers::ExtractUsername(*activation), std::nullopt);  // not authenticated yet
    activation->authData = AuthenticationData{"root", {"host.config.read"}};
    EXPECT_EQ(ActivationHelpers::ExtractUsername(*activation), "root");

    ActivationHelpers::SetPeerTcpBindingInfo(activation->executionContext, "::1", 8089);
    EXPECT_EQ(activation->executionContext.peer, (PeerTcpBindingInfo{"::1", 8089}));

    auto bare = AsyncActivation::GetInstance({});
    EXPECT_EQ(ActivationHelpers::GetActivationOpId(*bare), "");
    EXPECT_EQ(UserPassSecurityContextReader::GetUserName(bare->executionContext.securityContext),
              std::nullopt);
}

// A provider that answers at once; shows the interface is usable as a chain element.
class EchoProvider final : public AsyncApiProvider {
public:
    std::string Name() const override { return "Echo"; }
    void Invoke(const MethodIdentifier& method, Data::DataValuePtr input, std::shared_ptr<AsyncActivation>,
                AsyncApiResultCb resultCb) override
    {
        if (method.OperationId() == "fail") {
            resultCb(MethodResult::GetErrorInstance());
            return;
        }
        resultCb(MethodResult::FromOutput(std::move(input)));
    }
};

TEST(AsyncApiProviderTest, ResultsComeBackThroughTheCallback)
{
    std::shared_ptr<AsyncApiProvider> provider = std::make_shared<EchoProvider>();
    std::vector<MethodResult> results;
    auto collect = [&](MethodResult result) { results.push_back(std::move(result)); };
    provider->Invoke(MethodIdentifier("s", "echo"), Data::IntegerValue::Create(3),
                     AsyncActivation::GetInstance({}), collect);
    provider->Invoke(MethodIdentifier("s", "fail"), nullptr, AsyncActivation::GetInstance({}), collect);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(*results[0].Output(), *Data::IntegerValue::Create(3));
    EXPECT_TRUE(Com::Orvane::Lumo::Std::Errors::InternalServerError.Matches(*results[1].Error()));
}

}  // namespace
}  // namespace Lumo::Core
