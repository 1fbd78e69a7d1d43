#include <gmock/gmock.h>

#include "platform/lumo/JsonApiRequestDeserializer.hpp"
#include "platform/lumo/LumoTestSupport.hpp"
#include "platform/lumo/StandardError.hpp"

namespace Lumo::Protocol::Json {
namespace {

using namespace Lumo::Data;
using Com::Orvane::Lumo::Std::LocalizableMessage;
using Security = Core::ExecutionContext::SecurityContext;
constexpr auto Plain = &Core::SecurityContextWrappedEntry::Plain;
constexpr auto Secret = &Core::SecurityContextWrappedEntry::Secret;
using ::testing::HasSubstr;

JsonApiRequestDeserializer::Result Decode(std::string_view body)
{
    return JsonApiRequestDeserializer().Deserialize(body);
}

// A request calling "a.b" with the given members after the method.
std::string CallAB(const std::string& rest)
{
    return R"({"jsonrpc":"2.0","id":1,"method":"a.b")" + rest + "}";
}

// The first message of a decoding error, checked to be an invalid-argument error.
LocalizableMessage FirstMessage(const JsonApiRequestDeserializer::Result& result)
{
    EXPECT_FALSE(result.request.has_value());
    EXPECT_TRUE(Com::Orvane::Lumo::Std::Errors::InvalidArgument.Matches(*result.error));
    return LumoTestSupport::FirstMessage(result.error).value_or(LocalizableMessage{});
}

TEST(JsonApiRequestDeserializer, DecodesMethodParamsAndEachIdType)
{
    // The id as written ("" = no id member), and the text kept for the answer.
    const std::pair<std::string, std::string> ids[] = {
        {"7", "7"},       {"-12345678901", "-12345678901"}, {"\"a-b\"", "\"a-b\""}, {"\"\\u00e9\"", "\"\xc3\xa9\""},
        {"null", "null"}, {"", "null"},                     {"2.5", "2.5"}};
    auto params = StructValue::Create("");
    params->SetField("task", StringValue::Create("t1"));
    params->SetField("n", IntegerValue::Create(3));
    for (const auto& [written, kept] : ids) {
        std::string idMember = written.empty() ? "" : "\"id\":" + written + ",";
        auto result = Decode("{\"jsonrpc\":\"2.0\"," + idMember +
                             "\"method\":\"com.orvane.hub.tasks.get\",\"params\":{\"task\":\"t1\",\"n\":3}}");
        ASSERT_TRUE(result.Ok()) << written << ": " << result.error->ToString();
        EXPECT_EQ(result.request->requestId, kept);
        EXPECT_EQ(result.request->method, Core::MethodIdentifier("com.orvane.hub.tasks", "get"));
        EXPECT_TRUE(Equal(result.request->input, params)) << written;
    }
}

TEST(JsonApiRequestDeserializer, SplitsTheMethodAtItsLastDotAndChecksBothParts)
{
    auto good = Decode(
        R"({"jsonrpc":"2.0","id":1,"method":"com.orvane.tarn.host_settings.software.components.check_compliance"})");
    ASSERT_TRUE(good.Ok());
    EXPECT_EQ(good.request->method,
              Core::MethodIdentifier("com.orvane.tarn.host_settings.software.components", "check_compliance"));
    // No params: an empty input, not a missing one.
    EXPECT_TRUE(Equal(good.request->input, StructValue::Create("")));

    for (const char* method :
         {"list", ".list", "com.orvane.hub.tasks.", "com..tasks.list", "Com.Orvane.Tasks.list",
          "com.orvane.hub.tasks.List", "com.orvane hub.list", ""}) {
        LocalizableMessage message =
            FirstMessage(Decode(std::string(R"({"jsonrpc":"2.0","id":1,"method":")") + method + "\"}"));
        EXPECT_EQ(message.id, "lumo.jsonrpc.invalid.method") << method;
        EXPECT_THAT(message.localized, HasSubstr(method));
    }
}

TEST(JsonApiRequestDeserializer, RefusesBadEnvelopesContextsAndHostileInput)
{
    const std::string invalid = "lumo.jsonrpc.invalid.request", malformed = "lumo.json.malformed",
                      context = "lumo.jsonrpc.invalid.context";
    auto withContext = [](const std::string& ctx) { return CallAB(R"(,"params":{"__ctx":)" + ctx + "}"); };
    struct Row {
        std::string body;
        std::string messageId;
        std::string textPart;
    } rows[] = {
        {"", malformed, ""},
        {"[" + CallAB("") + "]", invalid, "batch"},
        {"\"a.b\"", invalid, "not a JSON object"},
        {R"({"id":1,"method":"a.b"})", invalid, "\"jsonrpc\""},
        {R"({"jsonrpc":"1.0","id":1,"method":"a.b"})", invalid, "\"jsonrpc\""},
        {R"({"jsonrpc":"2.0","id":1})", invalid, "\"method\" is missing"},
        {R"({"jsonrpc":"2.0","id":1,"method":7})", invalid, "\"method\" must be a string"},
        {R"({"jsonrpc":"2.0","id":{},"method":"a.b"})", invalid, "\"id\""},
        {CallAB(R"(,"params":[1,2])"), invalid, "\"params\""},
        {CallAB(R"(,"param":{})"), invalid, "unknown member \"param\""},
        // A repeated member must not let a second "method" or "__ctx" slip past the checks.
        {CallAB(R"(,"method":"c.d")"), invalid, "twice"},
        {CallAB(R"(,"params":{"__ctx":{},"__ctx":{"appCtx":{"opId":"x"}}})"), invalid, "twice"},
        {withContext(R"("x")"), context, ""},
        {withContext(R"({"appCtx":{"opId":1}})"), context, ""},
        {withContext(R"({"appCtx":{"":"x"}})"), context, ""},
        {withContext(R"({"securityCtx":{"userName":"u","token":"t"}})"), context, ""},
        {withContext(R"({"securityCtx":{"ticket":"t","userName":"u"}})"), context, ""},
        {withContext(R"({"peer":{"address":"10.0.0.1"}})"), context, ""},
        // Nesting far past the parser's limit, and deeper than a value may be yet within it.
        {CallAB(R"(,"params":{"x":)" + std::string(100000, '[') + std::string(100000, ']') + "}"), malformed,
         ""},
        {CallAB(R"(,"params":{"x":)" + std::string(100, '[') + std::string(100, ']') + "}"),
         "lumo.json.invalid.value", ""},
        // Bytes that are not UTF-8, in a member name and in a value.
        {CallAB(",\"params\":{\"\xff\":1}"), malformed, ""},
        // A NUL byte after the request must not hide what follows it.
        {CallAB("") + std::string("\0garbage", 8), malformed, ""},
        {CallAB(R"(,"params":{"n":99999999999999999999})"), malformed, ""},
    };
    for (const Row& row : rows) {
        auto result = Decode(row.body);
        ASSERT_FALSE(result.Ok()) << row.body.substr(0, 200);
        LocalizableMessage message = FirstMessage(result);
        EXPECT_EQ(message.id, row.messageId) << row.body.substr(0, 200);
        EXPECT_THAT(message.localized, HasSubstr(row.textPart)) << row.body.substr(0, 200);
    }

    // A huge unknown member name is quoted in the message only in part.
    auto result = Decode(CallAB(",\"" + std::string(1 << 20, 'k') + "\":1"));
    ASSERT_FALSE(result.Ok());
    EXPECT_LT(FirstMessage(result).localized.size(), 200u);
}

TEST(JsonApiRequestDeserializer, ReadsTheExecutionContextAndKeepsItOutOfTheInput)
{
    auto result = Decode(R"({"jsonrpc":"2.0","id":"r1","method":"com.orvane.hub.tasks.list","params":{
        "limit":5,
        "__ctx":{"appCtx":{"opId":"op-1","format-locale":"en_US"},
                 "securityCtx":{"userName":"root","password":"pw"}},
        "filter":{"status":"RUNNING"}}})");
    ASSERT_TRUE(result.Ok()) << result.error->ToString();
    const auto& context = result.request->executionContext;
    EXPECT_EQ(context.applicationContext,
              (Core::ExecutionContext::ApplicationContext{{"opId", "op-1"}, {"format-locale", "en_US"}}));
    EXPECT_EQ(context.securityContext, (Security{{"userName", Plain("root")}, {"password", Secret("pw")}}));
    EXPECT_FALSE(context.peer.has_value());
    // The parameters keep their order around the removed context.
    auto input = ValueCast<StructValue>(result.request->input);
    ASSERT_TRUE(input && input->Fields().size() == 2u);
    EXPECT_EQ(input->Fields()[0].first + " " + input->Fields()[1].first, "limit filter");

    // A ticket becomes a secret user name and password; a bearer token is kept as a secret of its own.
    const std::pair<std::string, Security> credentials[] = {
        {R"({"ticket":"52c4-ab"})", {{"userName", Secret("52c4-ab")}, {"password", Secret("52c4-ab")}}},
        {R"({"bearerToken":"e30.c2ln"})", {{"bearerToken", Secret("e30.c2ln")}}}};
    for (const auto& [given, expected] : credentials) {
        result = Decode(CallAB(R"(,"params":{"__ctx":{"securityCtx":)" + given + "}}"));
        ASSERT_TRUE(result.Ok()) << given;
        EXPECT_EQ(result.request->executionContext.securityContext, expected);
    }
}

}  // namespace
}  // namespace Lumo::Protocol::Json
