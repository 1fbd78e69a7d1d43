#include <gmock/gmock.h>

#include "platform/lumo/CollectingOutputRange.hpp"
#include "platform/lumo/DataValues.hpp"
#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/JsonApiDirectResponseSerializer.hpp"
#include "platform/lumo/JsonApiRequestDeserializer.hpp"
#include "platform/lumo/JsonApiResponseSerializer.hpp"
#include "platform/lumo/JsonRpcErrors.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"

namespace Lumo::Protocol::Json {
namespace {

using namespace Lumo::Data;
using Core::MethodResult;
namespace Errors = Com::Orvane::Lumo::Std::Errors;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// Tagged and direct forms differ in the type names and in the optional's wrapping.
DataValuePtr TaskInfo()
{
    return std::make_shared<StructValue>(
        "com.orvane.hub.task.info",
        std::vector<StructValue::Field>{{"status", EnumValue::Create("com.orvane.hub.task.status", "RUNNING")},
                                        {"user", OptionalValue::Create(StringValue::Create("root"))}});
}

ErrorValuePtr NotFound()
{
    return ErrorFactory::GetError(
        Errors::NotFound, {BaseMessage("com.orvane.tarn.task.notfound.error", "Task {1} not found.", {"t9"})},
        L10n::RequestLocalizer());
}

// Runs `serialize` into a fresh range; the one piece it must produce.
template <class Serialize>
std::string Produce(Serialize serialize)
{
    CollectingOutputRange out;
    ErrorValuePtr error;
    serialize(out, error);
    EXPECT_EQ(error, nullptr) << (error ? error->ToString() : "");
    EXPECT_EQ(out.Pieces().size(), 1u);
    return out.Joined();
}

const JsonApiResponseSerializer kTagged;
const JsonApiDirectResponseSerializer kDirect;

std::string Invoke(const JsonApiSerializerBase& serializer, const std::string& id, const MethodResult& result,
                   bool streaming = false)
{
    return Produce([&](OutputRange& out, ErrorValuePtr& error) {
        serializer.SerializeInvoke(id, result, out, error, streaming);
    });
}

TEST(JsonApiResponseSerializers, ResultCarriesTheOutputInTheChosenForm)
{
    EXPECT_EQ(Invoke(kTagged, "\"req-1\"", MethodResult::FromOutput(TaskInfo())),
              R"({"jsonrpc":"2.0","id":"req-1","result":)" + TaggedJsonCodec::Encode(*TaskInfo()) + "}");
    EXPECT_EQ(Invoke(kDirect, "\"req-1\"", MethodResult::FromOutput(TaskInfo())),
              R"({"jsonrpc":"2.0","id":"req-1","result":)" + DirectJsonCodec::Encode(*TaskInfo()) + "}");
}

TEST(JsonApiResponseSerializers, EchoesEachIdTypeAndVoidResults)
{
    for (std::string id : {"7", "-3", "2.5", "\"x\\\"y\"", "null", ""}) {
        EXPECT_EQ(Invoke(kTagged, id, MethodResult::FromOutput(nullptr)),
                  R"({"jsonrpc":"2.0","id":)" + (id.empty() ? "null" : id) + R"(,"result":{"void":null}})");
    }
    EXPECT_EQ(Invoke(kDirect, "1", MethodResult::FromOutput(VoidValue::GetInstance())),
              R"({"jsonrpc":"2.0","id":1,"result":null})");
}

TEST(JsonApiResponseSerializers, ErrorResultsUseTheJsonRpcErrorMember)
{
    EXPECT_EQ(Invoke(kTagged, "3", MethodResult::FromError(NotFound())),
              R"({"jsonrpc":"2.0","id":3,"error":{"code":-32000,"message":"Task t9 not found.","data":)" +
                  TaggedJsonCodec::Encode(*NotFound()) + "}}");
    // The direct form drops the error's name (the "lumo-error" header carries it) but keeps its fields.
    EXPECT_EQ(Invoke(kDirect, "3", MethodResult::FromError(NotFound())),
              R"({"jsonrpc":"2.0","id":3,"error":{"code":-32000,"message":"Task t9 not found.","data":)" +
                  DirectJsonCodec::Encode(*NotFound()) + "}}");
    // An error without messages: the message is its name.
    EXPECT_EQ(Invoke(kTagged, "3", MethodResult::GetErrorInstance()),
              R"({"jsonrpc":"2.0","id":3,"error":{"code":-32603,)"
              R"("message":"com.orvane.lumo.std.errors.internal_server_error",)"
              R"("data":{"error:com.orvane.lumo.std.errors.internal_server_error":{"messages":[]}}}})");
    // Ill-formed UTF-8 in a message never breaks the answer.
    auto broken = ErrorFactory::GetError(Errors::Error, {BaseMessage("m", "tool said \xc3\x28 {1}", {"\xff"})},
                                         L10n::RequestLocalizer());
    EXPECT_THAT(Invoke(kDirect, "1", MethodResult::FromError(broken)),
                HasSubstr("\"message\":\"tool said \xef\xbf\xbd( \xef\xbf\xbd\""));
}

TEST(JsonApiResponseSerializers, ErrorCodesFollowTheKindOfFailure)
{
    const JsonApiRequestDeserializer decoder;
    const std::pair<std::string, int64_t> cases[] = {
        {"{", JsonRpcErrors::kParseError},
        {R"({"jsonrpc":"1.0","method":"a.b"})", JsonRpcErrors::kInvalidRequest},
        {R"({"jsonrpc":"2.0","method":"ab"})", JsonRpcErrors::kInvalidRequest},
        {R"({"jsonrpc":"2.0","method":"a.b","params":{"x":)" + std::string(80, '[') + std::string(80, ']') + "}}",
         JsonRpcErrors::kInvalidParams}};
    for (const auto& [body, code] : cases) {
        auto result = decoder.Deserialize(body);
        ASSERT_FALSE(result.Ok()) << body;
        EXPECT_EQ(JsonRpcErrors::CodeOf(*result.error), code) << body;
    }
    EXPECT_EQ(JsonRpcErrors::CodeOf(ErrorValue("com.orvane.lumo.std.errors.operation_not_found")),
              JsonRpcErrors::kMethodNotFound);
    EXPECT_EQ(JsonRpcErrors::CodeOf(*ErrorFactory::GetError(Errors::Unauthenticated, {}, L10n::RequestLocalizer())),
              JsonRpcErrors::kServerError);
}

TEST(JsonApiResponseSerializers, SerializeErrorAnswersWithANullId)
{
    // The error of a body that failed to decode, as the transport answers it.
    auto decoded = JsonApiRequestDeserializer().Deserialize("[]");
    ASSERT_FALSE(decoded.Ok());
    for (const JsonApiSerializerBase* serializer : {static_cast<const JsonApiSerializerBase*>(&kTagged),
                                                    static_cast<const JsonApiSerializerBase*>(&kDirect)}) {
        EXPECT_THAT(Produce([&](OutputRange& out, ErrorValuePtr& error) {
                        serializer->SerializeError(*decoded.error, out, error);
                    }),
                    AllOf(StartsWith(R"({"jsonrpc":"2.0","id":null,"error":{"code":-32600,"message":")"),
                          HasSubstr("batch")));
    }
}

}  // namespace
}  // namespace Lumo::Protocol::Json
