#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <string>

#include "platform/lumo/CollectingOutputRange.hpp"
#include "platform/lumo/DataValues.hpp"
#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/JsonApiDirectResponseSerializer.hpp"
#include "platform/lumo/JsonApiRequestDeserializer.hpp"
#include "platform/lumo/JsonApiResponseSerializer.hpp"
#include "platform/lumo/JsonRpcErrors.hpp"
#include "platform/lumo/StandardError.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"

namespace Lumo::Protocol::Json {
namespace {

using namespace Lumo::Data;
using Core::MethodResult;
namespace Errors = Com::Orvane::Lumo::Std::Errors;

DataValuePtr TaskInfo()
{
    auto progress = StructValue::Create("com.orvane.hub.task.progress");
    progress->SetField("total", IntegerValue::Create(100));
    progress->SetField("completed", IntegerValue::Create(5));
    auto info = StructValue::Create("com.orvane.hub.task.info");
    info->SetField("id", StringValue::Create("6f1c7b0e"));
    info->SetField("status", EnumValue::Create("com.orvane.hub.task.status", "RUNNING"));
    info->SetField("user", OptionalValue::Create(StringValue::Create("root")));
    info->SetField("note", StringValue::Create("bad \xff byte"));
    info->SetField("progress", std::move(progress));
    return info;
}

ErrorValuePtr NotFound()
{
    return ErrorFactory::GetError(
        Errors::NotFound, {BaseMessage("com.orvane.tarn.task.notfound.error", "Task {1} not found.", {"t9"})},
        L10n::RequestLocalizer());
}

// Runs `serialize` into a fresh range; the one piece it must produce, parsed.
struct Answer {
    std::string text;
    rapidjson::Document json;
};

template <class Serialize>
Answer Produce(Serialize serialize)
{
    CollectingOutputRange out;
    ErrorValuePtr error;
    serialize(out, error);
    EXPECT_EQ(error, nullptr) << (error ? error->ToString() : "");
    EXPECT_EQ(out.Pieces().size(), 1u);
    Answer answer{out.Joined(), {}};
    answer.json.Parse(answer.text.data(), answer.text.size());
    EXPECT_FALSE(answer.json.HasParseError()) << answer.text;
    return answer;
}

std::string Text(const rapidjson::Value& json)
{
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    json.Accept(writer);
    return {buffer.GetString(), buffer.GetSize()};
}

const JsonApiResponseSerializer kTagged;
const JsonApiDirectResponseSerializer kDirect;

Answer Invoke(const JsonApiSerializerBase& serializer, const std::string& id, const MethodResult& result)
{
    return Produce([&](OutputRange& out, ErrorValuePtr& error) {
        serializer.SerializeInvoke(id, result, out, error, false);
    });
}

TEST(JsonApiResponseSerializers, ResultCarriesTheOutputInTheChosenForm)
{
    struct Row {
        const char* name;
        const JsonApiSerializerBase* serializer;
        std::string (*encode)(const DataValue&);
    } rows[] = {{"tagged", &kTagged, &TaggedJsonCodec::Encode},
                {"direct", &kDirect, &DirectJsonCodec::Encode}};
    for (const Row& row : rows) {
        Answer answer = Invoke(*row.serializer, "\"req-1\"", MethodResult::FromOutput(TaskInfo()));
        ASSERT_TRUE(answer.json.IsObject()) << row.name;
        EXPECT_EQ(answer.json.MemberCount(), 3u) << answer.text;
        EXPECT_STREQ(answer.json["jsonrpc"].GetString(), "2.0");
        EXPECT_STREQ(answer.json["id"].GetString(), "req-1");
        EXPECT_NE(answer.text.back(), '\n');
        ASSERT_TRUE(answer.json.HasMember("result")) << answer.text;
        EXPECT_EQ(Text(answer.json["result"]), row.encode(*TaskInfo())) << row.name;
    }
}

TEST(JsonApiResponseSerializers, EchoesEachIdTypeAndVoidResults)
{
    for (std::string id : {"7", "-3", "2.5", "\"x\\\"y\"", "null", ""}) {
        Answer answer = Invoke(kTagged, id, MethodResult::FromOutput(nullptr));
        EXPECT_EQ(Text(answer.json["id"]), id.empty() ? "null" : id);
        EXPECT_EQ(Text(answer.json["result"]), "{\"void\":null}");
    }
    EXPECT_TRUE(
        Invoke(kDirect, "1", MethodResult::FromOutput(VoidValue::GetInstance())).json["result"].IsNull());
}

TEST(JsonApiResponseSerializers, RefusesAnIdThatIsNotOneJsonScalar)
{
    for (std::string id : {"{}", "[1]", "1,\"result\":2", "\"open", "true", "01", "\"\xff\""}) {
        CollectingOutputRange out;
        ErrorValuePtr error;
        kTagged.SerializeInvoke(id, MethodResult::FromOutput(nullptr), out, error, false);
        EXPECT_NE(error, nullptr) << id;
        EXPECT_TRUE(out.Pieces().empty()) << id;
        error = nullptr;
        kTagged.SerializeInvokeProgress(id, IntegerValue::Create(1), out, error);
        EXPECT_NE(error, nullptr) << id;
        EXPECT_TRUE(out.Pieces().empty()) << id;
    }
}

TEST(JsonApiResponseSerializers, ErrorResultsUseTheJsonRpcErrorMember)
{
    Answer answer = Invoke(kTagged, "3", MethodResult::FromError(NotFound()));
    EXPECT_FALSE(answer.json.HasMember("result"));
    const rapidjson::Value& member = answer.json["error"];
    EXPECT_EQ(member["code"].GetInt64(), JsonRpcErrors::kServerError);
    EXPECT_STREQ(member["message"].GetString(), "Task t9 not found.");
    EXPECT_EQ(Text(member["data"]), TaggedJsonCodec::Encode(*NotFound()));

    // The direct form drops the error's name (the "lumo-error" header carries it) but keeps its fields.
    answer = Invoke(kDirect, "3", MethodResult::FromError(NotFound()));
    EXPECT_STREQ(answer.json["error"]["data"]["messages"][0]["id"].GetString(),
                 "com.orvane.tarn.task.notfound.error");

    // An error without messages: the message is its name.
    answer = Invoke(kTagged, "3", MethodResult::GetErrorInstance());
    EXPECT_EQ(answer.json["error"]["code"].GetInt64(), JsonRpcErrors::kInternalError);
    EXPECT_STREQ(answer.json["error"]["message"].GetString(),
                 "com.orvane.lumo.std.errors.internal_server_error");

    // Ill-formed UTF-8 in a message never breaks the answer.
    auto broken = ErrorFactory::GetError(
        Errors::Error, {BaseMessage("m", "tool said \xc3\x28 {1}", {"\xff"})}, L10n::RequestLocalizer());
    answer = Invoke(kDirect, "1", MethodResult::FromError(broken));
    EXPECT_THAT(answer.json["error"]["message"].GetString(), ::testing::HasSubstr("tool said \xef\xbf\xbd"));
}

TEST(JsonApiResponseSerializers, ErrorCodesFollowTheKindOfFailure)
{
    const JsonApiRequestDeserializer decoder;
    struct Case {
        std::string body;
        int64_t code;
    };
    for (const Case& c : {Case{"{", JsonRpcErrors::kParseError},
                          Case{R"({"jsonrpc":"1.0","method":"a.b"})", JsonRpcErrors::kInvalidRequest},
                          Case{R"({"jsonrpc":"2.0","method":"ab"})", JsonRpcErrors::kInvalidRequest},
                          Case{R"({"jsonrpc":"2.0","method":"a.b","params":{"x":)" + std::string(80, '[') +
                                   std::string(80, ']') + "}}",
                               JsonRpcErrors::kInvalidParams}}) {
        auto result = decoder.Deserialize(c.body);
        ASSERT_FALSE(result.Ok()) << c.body;
        EXPECT_EQ(JsonRpcErrors::CodeOf(*result.error), c.code) << c.body;
    }
    EXPECT_EQ(JsonRpcErrors::CodeOf(ErrorValue("com.orvane.lumo.std.errors.operation_not_found")),
              JsonRpcErrors::kMethodNotFound);
    EXPECT_EQ(
        JsonRpcErrors::CodeOf(*ErrorFactory::GetError(Errors::Unauthenticated, {}, L10n::RequestLocalizer())),
        JsonRpcErrors::kServerError);
}

TEST(JsonApiResponseSerializers, SerializeErrorAnswersWithANullId)
{
    // The error of a body that failed to decode, as the transport answers it.
    auto decoded = JsonApiRequestDeserializer().Deserialize("[]");
    ASSERT_FALSE(decoded.Ok());
    for (const JsonApiSerializerBase* serializer : {static_cast<const JsonApiSerializerBase*>(&kTagged),
                                                    static_cast<const JsonApiSerializerBase*>(&kDirect)}) {
        Answer answer = Produce([&](OutputRange& out, ErrorValuePtr& error) {
            serializer->SerializeError(*decoded.error, out, error);
        });
        EXPECT_TRUE(answer.json["id"].IsNull());
        EXPECT_EQ(answer.json["error"]["code"].GetInt64(), JsonRpcErrors::kInvalidRequest);
        EXPECT_THAT(answer.json["error"]["message"].GetString(), ::testing::HasSubstr("batch"));
    }
}

TEST(JsonApiResponseSerializers, StreamingMessagesAreOneLineEach)
{
    CollectingOutputRange out;
    ErrorValuePtr error;
    auto progress = StructValue::Create("p");
    progress->SetField("text", StringValue::Create("line\none"));
    kDirect.SerializeInvokeProgress("5", progress, out, error);
    kDirect.SerializeInvoke("5", MethodResult::FromOutput(StringValue::Create("a\nb")), out, error, true);
    ASSERT_EQ(error, nullptr);
    ASSERT_EQ(out.Pieces().size(), 2u);

    // Each piece is exactly one line: newlines inside the data are escaped.
    std::vector<rapidjson::Document> messages;
    for (const auto& piece : out.Pieces()) {
        std::string_view bytes = piece.Bytes();
        ASSERT_EQ(bytes.back(), '\n');
        EXPECT_EQ(bytes.find('\n'), bytes.size() - 1);
        messages.emplace_back().Parse(bytes.data(), bytes.size() - 1);
        ASSERT_FALSE(messages.back().HasParseError());
    }
    // The progress record is a notification naming the request; the result follows it.
    EXPECT_FALSE(messages[0].HasMember("id"));
    EXPECT_STREQ(messages[0]["method"].GetString(), "progress");
    EXPECT_EQ(messages[0]["params"]["id"].GetInt(), 5);
    EXPECT_STREQ(messages[0]["params"]["progress"]["text"].GetString(), "line\none");
    EXPECT_STREQ(messages[1]["result"].GetString(), "a\nb");
}

}  // namespace
}  // namespace Lumo::Protocol::Json
