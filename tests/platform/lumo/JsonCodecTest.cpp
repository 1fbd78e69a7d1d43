#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "platform/lumo/DataValues.hpp"
#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/StandardError.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"
#include "platform/lumo/Utf8.hpp"

namespace Lumo::Protocol::Json {
namespace {

using namespace Lumo::Data;
using ::testing::HasSubstr;

DataValuePtr Str(std::string text) { return StringValue::Create(std::move(text)); }

DataValuePtr Int(int64_t number) { return IntegerValue::Create(number); }

// A task-info-like structure that holds every kind at least once, nested.
DataValuePtr EveryKind()
{
    auto progress = StructValue::Create("com.orvane.hub.task.progress");
    progress->SetField("total", Int(100));
    progress->SetField("completed", Int(5));
    auto byId = MapValue::Create();
    byId->Insert("b", ListValue::Create({Str("x"), OptionalValue::GetInstance()}));
    byId->Insert("a", MapValue::Create());
    auto byNumber = MapValue::Create();
    byNumber->Insert(Int(-1), EnumValue::Create("Status", "FAILED"));
    byNumber->Insert(EnumValue::Create("Status", "RUNNING"), VoidValue::GetInstance());
    auto info = StructValue::Create("com.orvane.hub.task.info");
    info->SetField("id", Str("6f1c7b0e-1d2e-4f3a-9b8c-7d6e5f4a3b2c"));
    info->SetField("cancelable", BooleanValue::Create(false));
    info->SetField("ratio", DoubleValue::Create(0.1));
    info->SetField("status", EnumValue::Create("com.orvane.hub.task.status", "RUNNING"));
    info->SetField("user", OptionalValue::Create(Str("root")));
    info->SetField("result", OptionalValue::GetInstance());
    info->SetField("token", SecretValue::Create("s3cr3t"));
    info->SetField("blob", BinaryValue::Create({0, 1, 2, 0xfe, 0xff}));
    info->SetField("start_time", DateTimeValue::Create(*DateTime::Create("2024-05-06T07:08:09.010Z")));
    info->SetField("progress", std::move(progress));
    info->SetField("by_id", std::move(byId));
    info->SetField("by_number", std::move(byNumber));
    info->SetField("error", ErrorValue::Create(std::string(Com::Orvane::Lumo::Std::Errors::NotFound.Name()),
                                               {Com::Orvane::Lumo::Std::LocalizableMessage{
                                                   "id.x", "Task {1} not found", {"t1"}, "Task t1 not found"}
                                                    .ToValue()}));
    info->SetField("nothing", VoidValue::GetInstance());
    return info;
}

DataValuePtr Nested(size_t levels)
{
    DataValuePtr value = Int(1);
    for (size_t i = 1; i < levels; ++i) {
        value = ListValue::Create({value});
    }
    return value;
}

std::string FirstMessageText(const ErrorValuePtr& error)
{
    auto messages = error->GetField("messages")->As<ListValue>();
    auto message = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*messages->Items().at(0));
    return message ? message->localized : "<no message>";
}

TEST(TaggedJsonTest, EveryKindAndEdgeValueSurvivesARoundTrip)
{
    std::vector<DataValuePtr> values = {
        EveryKind(),
        VoidValue::GetInstance(),
        OptionalValue::GetInstance(),
        ListValue::Create(),
        Str(""),
        OptionalValue::Create(OptionalValue::GetInstance()),
        OptionalValue::Create(VoidValue::GetInstance()),
        OptionalValue::Create(OptionalValue::Create(Int(0))),
        Int(std::numeric_limits<int64_t>::max()),
        Int(std::numeric_limits<int64_t>::min()),
        DoubleValue::Create(1.0),
        DoubleValue::Create(-0.0),
        DoubleValue::Create(5e-324),
        DoubleValue::Create(std::numeric_limits<double>::quiet_NaN()),
        DoubleValue::Create(HUGE_VAL),
        DoubleValue::Create(-HUGE_VAL),
        Str("Grüße, 世界 \xF0\x9F\x98\x80 \"quoted\" \\ \n\t"),
        Str(std::string("nul\0inside", 10)),
        SecretValue::Create(""),
        BinaryValue::Create({}),
        BinaryValue::Create({0}),
        BinaryValue::Create({1, 2}),
        std::make_shared<StructValue>(""),
        std::make_shared<StructValue>("weird:type name"),
        ErrorValue::GetInstance("system_error"),
        EnumValue::Create("", ""),
        Nested(TaggedJsonCodec::kMaxDepth),
    };
    // Random bit patterns: every finite double must keep every bit.
    std::mt19937_64 random(7);
    for (int i = 0; i < 2000; ++i) {
        uint64_t bits = random();
        double number;
        std::memcpy(&number, &bits, sizeof(number));
        if (std::isfinite(number)) {
            values.push_back(DoubleValue::Create(number));
        }
    }
    for (const auto& value : values) {
        std::string json = TaggedJsonCodec::Encode(*value);
        JsonDecodeResult decoded = TaggedJsonCodec::Decode(json);
        ASSERT_TRUE(decoded.Ok()) << json << "\n" << decoded.error->ToString();
        EXPECT_EQ(*decoded.value, *value) << json << "\n" << decoded.value->ToString();
        // The encoding is deterministic, so a second trip gives the same text.
        EXPECT_EQ(TaggedJsonCodec::Encode(*decoded.value), json);
    }
}

TEST(TaggedJsonTest, FormIsCompactAndReadable)
{
    auto item = StructValue::Create("T");
    item->SetField("n", Int(1));
    item->SetField("d", DoubleValue::Create(2));
    item->SetField("o", OptionalValue::GetInstance());
    item->SetField("s", OptionalValue::Create(Str("x")));
    item->SetField("e", EnumValue::Create("E", "A"));
    EXPECT_EQ(TaggedJsonCodec::Encode(*item),
              R"({"struct:T":{"n":1,"d":2.0,"o":null,"s":{"optional":"x"},"e":{"enum:E":"A"}}})");
    auto map = MapValue::Create();
    map->Insert(Int(1), Str("one"));
    EXPECT_EQ(TaggedJsonCodec::Encode(*map), R"({"map":[[1,"one"]]})");
    EXPECT_EQ(TaggedJsonCodec::Encode(*ErrorValue::GetInstance("boom")), R"({"error:boom":{}})");
}

// Malformed JSON and well-formed JSON that is no tagged value are both invalid arguments; the
// message names the offset or the place in the value.
TEST(TaggedJsonTest, RefusesMalformedAndInvalidInputNamingThePlace)
{
    using namespace std::string_literals;
    struct Case {
        std::string json;
        const char* message;
    };
    std::vector<Case> cases = {
        {"[1,}", "Malformed JSON at offset 3: Invalid value."},
        // A NUL byte must not end the input early and hide what follows it.
        {"[1]\0[2]"s, "Malformed JSON at offset 3: Unexpected bytes after the JSON value."},
        {"1e999", "Malformed JSON at offset"},
        // Lone surrogate escapes would decode to bytes that are not UTF-8.
        {R"({"string":"\uDDDD"})", "unpaired UTF-16 surrogate escape"},
        {R"({"struct:T":{"\uDC00x":{"long":1}}})", "unpaired UTF-16 surrogate escape"},
        {R"({"string":"\uD800"})", "Malformed JSON at offset"},
        {R"({})", "Invalid data value at /: a tagged value is an object of exactly one member, found 0"},
        {R"({"a":1,"b":2})", "found 2"},
        {R"({"nonsense":1})", "Invalid data value at /nonsense: unknown tag \"nonsense\""},
        {R"([1,{"struct:T":{"x":{"what":"y"}}}])", "at /1/struct:T/x/what: unknown tag \"what\""},
        {R"({"struct:T":[1]})", "struct takes an object of fields"},
        {R"({"error:E":"x"})", "error takes an object of fields"},
        {R"({"struct:T":{"a":1,"a":2}})", "duplicate field \"a\""},
        {R"({"enum:E":3})", "enum takes a string"},
        {R"({"secret":null})", "secret takes a string"},
        {R"({"binary":"abc"})", "binary is not padded base64"},
        {R"({"binary":"ab c"})", "binary is not padded base64"},
        {R"({"datetime":"yesterday"})", "datetime is not"},
        {R"({"double":"1.5"})", "double takes"},
        {R"({"void":0})", "void takes null"},
        {R"({"map":[[1]]})", "at /map/0: a map entry is a [key, value] pair"},
        {R"({"map":[[1,{"x":1}]]})", "at /map/0/1/x: unknown tag"},
        {R"({"map":{"k":1,"k":2}})", "duplicate key \"k\""},
        {R"({"map":3})", "map takes an object or an array"},
        {R"({"struct:T":{"a/b~":{"bad":1}}})", "at /struct:T/a~1b~0/bad"},
        {"18446744073709551616", "integer 18446744073709551616 is out of the 64-bit range"},
        {"-9223372036854775809", "out of the 64-bit range"},
    };
    for (const char* text : {"", "{", "[1,", "{\"a\":}", "[1] [2]", "nul", "'x'", "[1,]", "\"\xC3\x28\"",
                             "{\"a\" 1}", "NaN", "01", "\"unterminated"}) {
        cases.push_back({text, "Malformed JSON at offset"});
    }
    for (const auto& test : cases) {
        JsonDecodeResult decoded = TaggedJsonCodec::Decode(test.json);
        ASSERT_FALSE(decoded.Ok()) << test.json;
        EXPECT_TRUE(Com::Orvane::Lumo::Std::Errors::InvalidArgument.Matches(*decoded.error));
        EXPECT_THAT(FirstMessageText(decoded.error), HasSubstr(test.message)) << test.json;
    }
    EXPECT_EQ(FirstMessageText(DirectJsonCodec::Decode("{}\0"s).error),
              "Malformed JSON at offset 2: Unexpected bytes after the JSON value.");
    // Numbers too small for a double become zero.
    auto tiny = TaggedJsonCodec::Decode("[1e-999, -2.4e-330]");
    ASSERT_TRUE(tiny.Ok());
    EXPECT_EQ(*tiny.value, *ListValue::Create({DoubleValue::Create(0.0), DoubleValue::Create(-0.0)}));
}

TEST(TaggedJsonTest, HostileNestingIsRefusedWithoutCrashing)
{
    // Deeper than the value limit, but within the parser's limit.
    std::string tooDeep = TaggedJsonCodec::Encode(*Nested(TaggedJsonCodec::kMaxDepth + 1));
    JsonDecodeResult decoded = TaggedJsonCodec::Decode(tooDeep);
    ASSERT_FALSE(decoded.Ok());
    EXPECT_THAT(FirstMessageText(decoded.error), HasSubstr("nested deeper than 64 levels"));

    // Far deeper than any parser stack would survive if parsing recursed.
    for (const std::string& open : {std::string("["), std::string("{\"optional\":")}) {
        std::string hostile;
        for (int i = 0; i < 1000000; ++i) {
            hostile += open;
        }
        decoded = TaggedJsonCodec::Decode(hostile);
        ASSERT_FALSE(decoded.Ok());
        EXPECT_THAT(FirstMessageText(decoded.error), HasSubstr("nesting deeper than 200 levels"));
    }

    // Optionals inside optionals count as levels too.
    std::string optionals = "1";
    for (int i = 0; i < 70; ++i) {
        optionals = "{\"optional\":" + optionals + "}";
    }
    EXPECT_FALSE(TaggedJsonCodec::Decode(optionals).Ok());
}

TEST(TaggedJsonTest, LargeObjectsWithDuplicateKeysAreFoundQuickly)
{
    std::string json = R"({"map":{)";
    for (int i = 0; i < 100000; ++i) {
        json += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    }
    json += R"("k99999":0}})";
    JsonDecodeResult decoded = TaggedJsonCodec::Decode(json);
    ASSERT_FALSE(decoded.Ok());
    EXPECT_THAT(FirstMessageText(decoded.error), HasSubstr("duplicate key \"k99999\""));
}

TEST(DirectJsonTest, WritesPlainJson)
{
    EXPECT_EQ(DirectJsonCodec::Encode(*EveryKind()),
              R"({"id":"6f1c7b0e-1d2e-4f3a-9b8c-7d6e5f4a3b2c","cancelable":false,"ratio":0.1,)"
              R"("status":"RUNNING","user":"root","result":null,"token":"s3cr3t","blob":"AAEC/v8=",)"
              R"("start_time":"2024-05-06T07:08:09.010Z","progress":{"total":100,"completed":5},)"
              R"("by_id":{"b":["x",null],"a":{}},"by_number":[[-1,"FAILED"],["RUNNING",null]],)"
              R"("error":{"messages":[{"id":"id.x","default_message":"Task {1} not found",)"
              R"("args":["t1"],"localized":"Task t1 not found"}]},"nothing":null})");
    EXPECT_EQ(DirectJsonCodec::Encode(*DoubleValue::Create(std::nan(""))), "null");
}

TEST(DirectJsonTest, DecodesGenericValuesAndRefusesWhatTheTaggedDecoderRefuses)
{
    const char* json = R"({"name":"a","n":-5,"x":2.5,"ok":true,"none":null,"list":[1,"two",[]],"obj":{}})";
    JsonDecodeResult decoded = DirectJsonCodec::Decode(json);
    ASSERT_TRUE(decoded.Ok()) << decoded.error->ToString();
    const auto* object = decoded.value->As<StructValue>();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->GetField("none"), OptionalValue::GetInstance());
    EXPECT_EQ(object->GetField("n")->Kind(), DataKind::kInteger);
    EXPECT_EQ(object->GetField("x")->Kind(), DataKind::kDouble);
    EXPECT_EQ(DirectJsonCodec::Encode(*decoded.value), json);
    // A surrogate pair escape decodes to the one four-byte character; a lone one is refused.
    decoded = DirectJsonCodec::Decode(R"(["\uD83D\uDE00"])");
    ASSERT_TRUE(decoded.Ok()) << decoded.error->ToString();
    EXPECT_EQ(DirectJsonCodec::Encode(*decoded.value), "[\"\xF0\x9F\x98\x80\"]");

    for (const char* bad : {"[", R"({"a":1,"a":1})", "99999999999999999999", R"(["\uDFFF"])"}) {
        EXPECT_FALSE(DirectJsonCodec::Decode(bad).Ok()) << bad;
    }
    EXPECT_TRUE(DirectJsonCodec::Decode(DirectJsonCodec::Encode(*Nested(DirectJsonCodec::kMaxDepth))).Ok());
    decoded = DirectJsonCodec::Decode(DirectJsonCodec::Encode(*Nested(DirectJsonCodec::kMaxDepth + 1)));
    ASSERT_FALSE(decoded.Ok());
    EXPECT_THAT(FirstMessageText(decoded.error), HasSubstr("nested deeper than 64 levels"));
}

TEST(Utf8Test, ValidatesRepairsAndKeepsEncodedJsonValid)
{
    for (const char* good :
         {"", "ascii", "\xC2\xA9", "\xE2\x82\xAC", "\xED\x9F\xBF", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"}) {
        EXPECT_TRUE(Utf8::IsValid(good)) << good;
    }
    for (const char* bad : {"\x80", "\xC0\xAF", "\xC2", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "\xF5\x80\x80\x80", "\xFF", "ok\xE2\x82"}) {
        EXPECT_FALSE(Utf8::IsValid(bad)) << bad;
    }
    EXPECT_EQ(Utf8::Repair("a\xFF"
                           "b\xE2\x82"),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD\xEF\xBF\xBD");

    // Tool output may carry bytes that are not UTF-8; the encoded answer must still parse.
    auto value = StructValue::Create("T\xFF");
    value->SetField("out\xC0", Str("Latin-1 caf\xE9"));
    for (const std::string& json : {TaggedJsonCodec::Encode(*value), DirectJsonCodec::Encode(*value)}) {
        EXPECT_TRUE(Utf8::IsValid(json)) << json;
        EXPECT_TRUE(DirectJsonCodec::Decode(json).Ok()) << json;
    }
    auto decoded = DirectJsonCodec::Decode(DirectJsonCodec::Encode(*value));
    EXPECT_EQ(*decoded.value->As<StructValue>()->GetField("out\xEF\xBF\xBD"),
              *Str("Latin-1 caf\xEF\xBF\xBD"));
}

}  // namespace
}  // namespace Lumo::Protocol::Json
