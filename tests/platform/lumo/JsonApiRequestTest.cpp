#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/lumo/DataValues.hpp"
#include "platform/lumo/JsonApiRequestDeserializer.hpp"
#include "platform/lumo/JsonApiRequestSerializer.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/StandardError.hpp"

namespace Lumo::Protocol::Json {
namespace {

using namespace Lumo::Data;
using Com::Orvane::Lumo::Std::LocalizableMessage;
using Core::SecurityContextWrappedEntry;
using ::testing::HasSubstr;

JsonApiRequestDeserializer::Result Decode(std::string_view body)
{
    return JsonApiRequestDeserializer().Deserialize(body);
}

// The first message of a decoding error.
LocalizableMessage FirstMessage(const ErrorValuePtr& error)
{
    auto messages = ValueCast<ListValue>(error->GetField(ErrorValue::kMessagesField));
    EXPECT_NE(messages, nullptr);
    EXPECT_GE(messages->Size(), 1u);
    return *LocalizableMessage::FromValue(*messages->Items().front());
}

TEST(JsonApiRequestDeserializer, DecodesMethodParamsAndEachIdType)
{
    struct Case {
        std::string idJson;    // as written in the request ("" = no id member)
        std::string expected;  // the id text kept for the answer
    };
    for (const Case& c :
         {Case{"7", "7"}, Case{"-12345678901", "-12345678901"}, Case{"\"a-b\"", "\"a-b\""},
          Case{"\"\\u00e9\"", "\"\xc3\xa9\""}, Case{"null", "null"}, Case{"", "null"}, Case{"2.5", "2.5"}}) {
        std::string idMember = c.idJson.empty() ? "" : "\"id\":" + c.idJson + ",";
        auto result = Decode("{\"jsonrpc\":\"2.0\"," + idMember +
                             "\"method\":\"com.orvane.hub.tasks.get\",\"params\":{\"task\":\"t1\",\"n\":3}}");
        ASSERT_TRUE(result.Ok()) << c.idJson << ": " << result.error->ToString();
        EXPECT_EQ(result.request->requestId, c.expected);
        EXPECT_EQ(result.request->method, Core::MethodIdentifier("com.orvane.hub.tasks", "get"));
        auto input = ValueCast<StructValue>(result.request->input);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->Fields().size(), 2u);
        EXPECT_TRUE(Equal(input->GetField("task"), StringValue::Create("t1")));
        EXPECT_TRUE(Equal(input->GetField("n"), IntegerValue::Create(3)));
    }
}

TEST(JsonApiRequestDeserializer, SplitsTheMethodAtItsLastDotAndChecksBothParts)
{
    auto good = Decode(
        R"({"jsonrpc":"2.0","id":1,"method":"com.orvane.tarn.host_settings.software.components.check_compliance"})");
    ASSERT_TRUE(good.Ok());
    EXPECT_EQ(good.request->method.ServiceId(), "com.orvane.tarn.host_settings.software.components");
    EXPECT_EQ(good.request->method.OperationId(), "check_compliance");
    // No params: an empty input, not a missing one.
    auto input = ValueCast<StructValue>(good.request->input);
    ASSERT_NE(input, nullptr);
    EXPECT_TRUE(input->Fields().empty());

    for (const char* method :
         {"list", ".list", "com.orvane.hub.tasks.", "com..tasks.list", "Com.Orvane.Tasks.list",
          "com.orvane.hub.tasks.List", "com.orvane hub.list", ""}) {
        auto result = Decode(std::string(R"({"jsonrpc":"2.0","id":1,"method":")") + method + "\"}");
        ASSERT_FALSE(result.Ok()) << method;
        EXPECT_EQ(FirstMessage(result.error).id, "lumo.jsonrpc.invalid.method") << method;
        EXPECT_THAT(FirstMessage(result.error).localized, HasSubstr(method));
    }
}

TEST(JsonApiRequestDeserializer, RefusesEnvelopesThatAreNotJsonRpc2Requests)
{
    struct Case {
        const char* body;
        const char* messageId;
        const char* textPart;
    };
    const Case cases[] = {
        {"", "lumo.json.malformed", ""},
        {"{\"jsonrpc\":\"2.0\",", "lumo.json.malformed", ""},
        {"[{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"a.b\"}]", "lumo.jsonrpc.invalid.request", "batch"},
        {"\"a.b\"", "lumo.jsonrpc.invalid.request", "not a JSON object"},
        {R"({"id":1,"method":"a.b"})", "lumo.jsonrpc.invalid.request", "\"jsonrpc\""},
        {R"({"jsonrpc":"1.0","id":1,"method":"a.b"})", "lumo.jsonrpc.invalid.request", "\"jsonrpc\""},
        {R"({"jsonrpc":2.0,"id":1,"method":"a.b"})", "lumo.jsonrpc.invalid.request", "\"jsonrpc\""},
        {R"({"jsonrpc":"2.0","id":1})", "lumo.jsonrpc.invalid.request", "\"method\" is missing"},
        {R"({"jsonrpc":"2.0","id":1,"method":7})", "lumo.jsonrpc.invalid.request",
         "\"method\" must be a string"},
        {R"({"jsonrpc":"2.0","id":{},"method":"a.b"})", "lumo.jsonrpc.invalid.request", "\"id\""},
        {R"({"jsonrpc":"2.0","id":true,"method":"a.b"})", "lumo.jsonrpc.invalid.request", "\"id\""},
        {R"({"jsonrpc":"2.0","id":1,"method":"a.b","params":[1,2]})", "lumo.jsonrpc.invalid.request",
         "\"params\""},
        {R"({"jsonrpc":"2.0","id":1,"method":"a.b","params":"x"})", "lumo.jsonrpc.invalid.request",
         "\"params\""},
        {R"({"jsonrpc":"2.0","id":1,"method":"a.b","param":{}})", "lumo.jsonrpc.invalid.request",
         "unknown member \"param\""},
        // A repeated member must not let a second "method" or "__ctx" slip past the checks.
        {R"({"jsonrpc":"2.0","id":1,"method":"a.b","method":"c.d"})", "lumo.jsonrpc.invalid.request",
         "twice"},
        {R"({"jsonrpc":"2.0","id":1,"method":"a.b","params":{"__ctx":{},"__ctx":{"appCtx":{"opId":"x"}}}})",
         "lumo.jsonrpc.invalid.request", "twice"},
        {R"({"jsonrpc":"2.0","id":1,"method":"a.b","params":{"x":1,"x":2}})", "lumo.jsonrpc.invalid.request",
         "twice"},
    };
    for (const Case& c : cases) {
        auto result = Decode(c.body);
        ASSERT_FALSE(result.Ok()) << c.body;
        EXPECT_FALSE(result.request.has_value());
        EXPECT_TRUE(Com::Orvane::Lumo::Std::Errors::InvalidArgument.Matches(*result.error)) << c.body;
        LocalizableMessage message = FirstMessage(result.error);
        EXPECT_EQ(message.id, c.messageId) << c.body;
        EXPECT_THAT(message.localized, HasSubstr(c.textPart)) << c.body;
    }
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
    EXPECT_EQ(context.applicationContext.at("opId"), "op-1");
    EXPECT_EQ(context.applicationContext.at("format-locale"), "en_US");
    EXPECT_EQ(context.securityContext.at("userName"), SecurityContextWrappedEntry::Plain("root"));
    EXPECT_EQ(context.securityContext.at("password"), SecurityContextWrappedEntry::Secret("pw"));
    EXPECT_FALSE(context.peer.has_value());

    auto input = ValueCast<StructValue>(result.request->input);
    ASSERT_NE(input, nullptr);
    ASSERT_EQ(input->Fields().size(), 2u);
    // The parameters keep their order around the removed context.
    EXPECT_EQ(input->Fields()[0].first, "limit");
    EXPECT_EQ(input->Fields()[1].first, "filter");
    EXPECT_FALSE(input->HasField("__ctx"));
}

TEST(JsonApiRequestDeserializer, TicketBecomesSecretUserNameAndPassword)
{
    auto result = Decode(
        R"({"jsonrpc":"2.0","id":1,"method":"a.b","params":{"__ctx":{"securityCtx":{"ticket":"52c4-ab"}}}})");
    ASSERT_TRUE(result.Ok());
    const auto& security = result.request->executionContext.securityContext;
    EXPECT_EQ(security.at("userName"), SecurityContextWrappedEntry::Secret("52c4-ab"));
    EXPECT_EQ(security.at("password"), SecurityContextWrappedEntry::Secret("52c4-ab"));
}

TEST(JsonApiRequestDeserializer, RefusesMalformedContexts)
{
    const char* contexts[] = {
        R"("x")",
        R"({"appCtx":[]})",
        R"({"appCtx":{"opId":1}})",
        R"({"appCtx":{"":"x"}})",
        R"({"appCtx":{"a":"1","a":"2"}})",
        R"({"securityCtx":{"userName":"u","token":"t"}})",
        R"({"securityCtx":{"password":null}})",
        R"({"securityCtx":{"ticket":"t","userName":"u"}})",
        R"({"securityCtx":"root"})",
        R"({"peer":{"address":"10.0.0.1"}})",
    };
    for (const char* context : contexts) {
        auto result = Decode(std::string(R"({"jsonrpc":"2.0","id":1,"method":"a.b","params":{"__ctx":)") +
                             context + "}}");
        ASSERT_FALSE(result.Ok()) << context;
        EXPECT_EQ(FirstMessage(result.error).id, "lumo.jsonrpc.invalid.context") << context;
    }
}

TEST(JsonApiRequestDeserializer, SurvivesHostileInput)
{
    // Nesting far past the parser's limit, inside params.
    std::string deep = R"({"jsonrpc":"2.0","id":1,"method":"a.b","params":{"x":)" + std::string(100000, '[') +
                       std::string(100000, ']') + "}}";
    auto result = Decode(deep);
    ASSERT_FALSE(result.Ok());
    EXPECT_EQ(FirstMessage(result.error).id, "lumo.json.malformed");

    // Deeper than a data value may be, yet within what the parser accepts.
    std::string tooDeepValue = R"({"jsonrpc":"2.0","id":1,"method":"a.b","params":{"x":)" +
                               std::string(100, '[') + std::string(100, ']') + "}}";
    result = Decode(tooDeepValue);
    ASSERT_FALSE(result.Ok());
    EXPECT_EQ(FirstMessage(result.error).id, "lumo.json.invalid.value");

    // Bytes that are not UTF-8, in a member name and in a value.
    for (std::string body :
         {std::string("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"a.b\",\"params\":{\"\xff\":1}}"),
          std::string("{\"jsonrpc\":\"2.0\",\"id\":\"\xc3\x28\",\"method\":\"a.b\"}")}) {
        result = Decode(body);
        ASSERT_FALSE(result.Ok());
        EXPECT_EQ(FirstMessage(result.error).id, "lumo.json.malformed");
    }

    // A NUL byte after the request must not hide what follows it.
    result = Decode(std::string("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"a.b\"}\0garbage", 47));
    ASSERT_FALSE(result.Ok());
    EXPECT_EQ(FirstMessage(result.error).id, "lumo.json.malformed");

    // A huge unknown member name is quoted in the message only in part.
    std::string hugeName(1 << 20, 'k');
    result = Decode(R"({"jsonrpc":"2.0","id":1,"method":"a.b",")" + hugeName + "\":1}");
    ASSERT_FALSE(result.Ok());
    EXPECT_LT(FirstMessage(result.error).localized.size(), 200u);

    // Integers out of the 64-bit range.
    result = Decode(R"({"jsonrpc":"2.0","id":1,"method":"a.b","params":{"n":99999999999999999999}})");
    EXPECT_FALSE(result.Ok());
}

TEST(JsonApiRequestSerializer, EncodedRequestsDecodeToEqualRequests)
{
    JsonApiRequest ticketCall;
    ticketCall.requestId = "\"x-1\"";
    ticketCall.method = Core::MethodIdentifier("com.orvane.hub.tasks", "cancel");
    auto input = StructValue::Create("");
    input->SetField("task", StringValue::Create("t\"1\n"));
    input->SetField("ids", ListValue::Create({IntegerValue::Create(1), OptionalValue::GetInstance()}));
    ticketCall.input = input;
    ticketCall.executionContext.applicationContext = {{"opId", "o1"}, {"x", "\xe2\x82\xac"}};
    ticketCall.executionContext.securityContext = {{"userName", SecurityContextWrappedEntry::Secret("tk")},
                                                   {"password", SecurityContextWrappedEntry::Secret("tk")}};

    JsonApiRequest passwordCall = ticketCall;
    passwordCall.requestId = "42";
    // Equal texts from "userName" and "password" stay a user name and password, not a ticket.
    passwordCall.executionContext.securityContext = {{"userName", SecurityContextWrappedEntry::Plain("tk")},
                                                     {"password", SecurityContextWrappedEntry::Secret("tk")}};

    JsonApiRequest bare;
    bare.method = Core::MethodIdentifier("com.orvane.hub.tasks", "list");
    bare.input = StructValue::Create("");

    for (const JsonApiRequest* original : {&ticketCall, &passwordCall, &bare}) {
        std::string body = JsonApiRequestSerializer::Serialize(*original);
        auto decoded = Decode(body);
        ASSERT_TRUE(decoded.Ok()) << body;
        EXPECT_EQ(decoded.request->requestId, original->requestId) << body;
        EXPECT_EQ(decoded.request->method, original->method);
        EXPECT_TRUE(Equal(decoded.request->input, original->input)) << body;
        EXPECT_EQ(decoded.request->executionContext.applicationContext,
                  original->executionContext.applicationContext);
        EXPECT_EQ(decoded.request->executionContext.securityContext,
                  original->executionContext.securityContext)
            << body;
    }
}

}  // namespace
}  // namespace Lumo::Protocol::Json
