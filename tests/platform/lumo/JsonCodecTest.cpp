#include <gmock/gmock.h>

#include <random>

#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/JsonParser.hpp"
#include "platform/lumo/LumoTestSupport.hpp"
#include "platform/lumo/StandardError.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"

namespace Lumo::Protocol::Json {
namespace {

using namespace Lumo::Data;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using LumoTestSupport::ErrorText;

DataValuePtr Str(std::string text) { return StringValue::Create(std::move(text)); }

DataValuePtr Int(int64_t number) { return IntegerValue::Create(number); }
DataValuePtr Dbl(double number) { return DoubleValue::Create(number); }
DataValuePtr Struct(std::string type, std::vector<StructValue::Field> fields)
{
    return std::make_shared<StructValue>(std::move(type), std::move(fields));
}

// A task-info-like structure that holds every kind at least once, nested.
DataValuePtr EveryKind()
{
    auto byId = MapValue::Create();
    byId->Insert("b", ListValue::Create({Str("x"), OptionalValue::GetInstance()}));
    byId->Insert("a", MapValue::Create());
    auto byNumber = MapValue::Create();
    byNumber->Insert(Int(-1), EnumValue::Create("Status", "FAILED"));
    byNumber->Insert(EnumValue::Create("Status", "RUNNING"), VoidValue::GetInstance());
    Com::Orvane::Lumo::Std::LocalizableMessage message{"id.x", "Task {1} not found", {"t1"},
                                                       "Task t1 not found"};
    return Struct(
        "com.orvane.hub.task.info",
        {{"id", Str("6f1c7b0e-1d2e-4f3a-9b8c-7d6e5f4a3b2c")}, {"cancelable", BooleanValue::Create(false)},
         {"ratio", Dbl(0.1)}, {"status", EnumValue::Create("com.orvane.hub.task.status", "RUNNING")},
         {"user", OptionalValue::Create(Str("root"))}, {"result", OptionalValue::GetInstance()},
         {"token", SecretValue::Create("s3cr3t")}, {"blob", BinaryValue::Create({0, 1, 2, 0xfe, 0xff})},
         {"start_time", DateTimeValue::Create(*DateTime::Create("2024-05-06T07:08:09.010Z"))},
         {"progress", Struct("com.orvane.hub.task.progress", {{"total", Int(100)}, {"completed", Int(5)}})},
         {"by_id", byId}, {"by_number", byNumber},
         {"error", ErrorValue::Create(std::string(Com::Orvane::Lumo::Std::Errors::NotFound.Name()),
                                      {message.ToValue()})},
         {"nothing", VoidValue::GetInstance()}});
}

DataValuePtr Nested(size_t levels)
{
    DataValuePtr value = Int(1);
    for (size_t i = 1; i < levels; ++i) value = ListValue::Create({value});
    return value;
}

// Finite doubles of random bit patterns: a codec must keep every bit of each.
std::vector<DataValuePtr> RandomDoubles()
{
    std::vector<DataValuePtr> values;
    std::mt19937_64 random(7);
    for (int i = 0; i < 2000; ++i) {
        uint64_t bits = random();
        double number;
        std::memcpy(&number, &bits, sizeof(number));
        if (std::isfinite(number)) values.push_back(DoubleValue::Create(number));
    }
    return values;
}

// Each value decodes to an equal one, and the encoding is deterministic, so a second trip
// gives the same text.
// Parsing in place must accept, refuse and read exactly what parsing a copy does.
void ExpectInsituParseAgrees(const std::string& json)
{
    rapidjson::Document copied;
    rapidjson::Document inPlace;
    std::string buffer = json;
    auto copyError = JsonParser::Parse(json, copied);
    auto inPlaceError = JsonParser::ParseInsitu(buffer, inPlace);
    EXPECT_EQ(ErrorText(copyError), ErrorText(inPlaceError)) << json;
    if (copyError == nullptr && inPlaceError == nullptr) {
        // Written out, not compared with ==, which finds only the first of repeated names.
        auto written = [](const rapidjson::Document& document) {
            rapidjson::StringBuffer buffer;
            rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
            document.Accept(writer);
            return std::string(buffer.GetString(), buffer.GetSize());
        };
        EXPECT_EQ(written(copied), written(inPlace)) << json;
    }
}

template <class Codec>
void ExpectRoundTrips(std::vector<DataValuePtr> values)
{
    for (auto& number : RandomDoubles()) values.push_back(number);
    for (const auto& value : values) {
        std::string json = Codec::Encode(*value);
        ExpectInsituParseAgrees(json);
        JsonDecodeResult decoded = Codec::Decode(json);
        ASSERT_TRUE(decoded.Ok()) << json << "\n" << decoded.error->ToString();
        EXPECT_EQ(*decoded.value, *value) << json << "\n" << decoded.value->ToString();
        EXPECT_EQ(Codec::Encode(*decoded.value), json);
    }
}

TEST(TaggedJsonTest, EveryKindAndEdgeValueSurvivesARoundTrip)
{
    ExpectRoundTrips<TaggedJsonCodec>(
        {EveryKind(), VoidValue::GetInstance(), OptionalValue::GetInstance(), ListValue::Create(), Str(""),
         OptionalValue::Create(OptionalValue::GetInstance()), OptionalValue::Create(VoidValue::GetInstance()),
         OptionalValue::Create(OptionalValue::Create(Int(0))), Int(std::numeric_limits<int64_t>::max()),
         Int(std::numeric_limits<int64_t>::min()), Dbl(1.0), Dbl(-0.0), Dbl(5e-324),
         Dbl(std::numeric_limits<double>::quiet_NaN()), Dbl(HUGE_VAL), Dbl(-HUGE_VAL),
         Str("Grüße, 世界 \xF0\x9F\x98\x80 \"quoted\" \\ \n\t"), Str(std::string("nul\0inside", 10)),
         SecretValue::Create(""), BinaryValue::Create({}), BinaryValue::Create({0}), BinaryValue::Create({1, 2}),
         std::make_shared<StructValue>(""), std::make_shared<StructValue>("weird:type name"),
         ErrorValue::GetInstance("system_error"), EnumValue::Create("", ""), Nested(TaggedJsonCodec::kMaxDepth)});
}

TEST(TaggedJsonTest, FormIsCompactAndReadable)
{
    auto item = Struct("T", {{"n", Int(1)}, {"d", Dbl(2)}, {"o", OptionalValue::GetInstance()},
                             {"s", OptionalValue::Create(Str("x"))}, {"e", EnumValue::Create("E", "A")}});
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
    std::vector<std::pair<std::string, const char*>> cases = {
        {"[1,}", "Malformed JSON at offset 3: Invalid value."},
        // A NUL byte must not end the input early and hide what follows it.
        {"[1]\0[2]"s, "Malformed JSON at offset 3: Unexpected bytes after the JSON value."},
        {"1e999", "Malformed JSON at offset"},
        // Lone surrogate escapes would decode to bytes that are not UTF-8.
        {R"({"string":"\uDDDD"})", "unpaired UTF-16 surrogate escape"},
        {R"({"struct:T":{"\uDC00x":{"long":1}}})", "unpaired UTF-16 surrogate escape"},
        {R"({})", "Invalid data value at /: a tagged value is an object of exactly one member, found 0"},
        {R"({"nonsense":1})", "Invalid data value at /nonsense: unknown tag \"nonsense\""},
        {R"([1,{"struct:T":{"x":{"what":"y"}}}])", "at /1/struct:T/x/what: unknown tag \"what\""},
        {R"({"struct:T":[1]})", "struct takes an object of fields"},
        {R"({"struct:T":{"a":1,"a":2}})", "duplicate field \"a\""},
        {R"({"enum:E":3})", "enum takes a string"},
        {R"({"secret":null})", "secret takes a string"},
        {R"({"binary":"abc"})", "binary is not padded base64"},
        {R"({"datetime":"yesterday"})", "datetime is not"},
        {R"({"double":"1.5"})", "double takes"},
        {R"({"void":0})", "void takes null"},
        {R"({"map":[[1]]})", "at /map/0: a map entry is a [key, value] pair"},
        {R"({"map":{"k":1,"k":2}})", "duplicate key \"k\""},
        {R"({"map":3})", "map takes an object or an array"},
        {R"({"struct:T":{"a/b~":{"bad":1}}})", "at /struct:T/a~1b~0/bad"},
        {"18446744073709551616", "integer 18446744073709551616 is out of the 64-bit range"},
    };
    // A text that ends inside a UTF-8 sequence, where an in-place parse must not read on (long
    // enough to live on the heap, where the sanitizer build sees any read past it).
    for (const char* text : {"", "[1,", "[1] [2]", "'x'", "\"\xC3\x28\"", "\"0123456789abcdef\xE4", "NaN", "01",
                             "\"unterminated"}) {
        cases.push_back({text, "Malformed JSON at offset"});
    }
    for (const auto& [json, message] : cases) {
        ExpectInsituParseAgrees(json);
        JsonDecodeResult decoded = TaggedJsonCodec::Decode(json);
        ASSERT_FALSE(decoded.Ok()) << json;
        EXPECT_THAT(ErrorText(decoded.error),
                    AllOf(StartsWith("com.orvane.lumo.std.errors.invalid_argument: "), HasSubstr(message)))
            << json;
    }
    // Numbers too small for a double become zero.
    auto tiny = TaggedJsonCodec::Decode("[1e-999, -2.4e-330]");
    ASSERT_TRUE(tiny.Ok());
    EXPECT_EQ(*tiny.value, *ListValue::Create({DoubleValue::Create(0.0), DoubleValue::Create(-0.0)}));
}

TEST(TaggedJsonTest, HostileNestingIsRefusedWithoutCrashing)
{
    auto Repeat = [](const std::string& text, int times) {
        std::string out;
        while (times-- > 0) out += text;
        return out;
    };
    // Deeper than the value limit, but within the parser's limit; optionals count as levels too.
    for (const std::string& tooDeep : {TaggedJsonCodec::Encode(*Nested(TaggedJsonCodec::kMaxDepth + 1)),
                                       Repeat("{\"optional\":", 70) + "1" + Repeat("}", 70)}) {
        EXPECT_THAT(ErrorText(TaggedJsonCodec::Decode(tooDeep).error), HasSubstr("nested deeper than 64 levels"));
    }
    // Far deeper than any parser stack would survive if parsing recursed.
    for (const char* open : {"[", "{\"optional\":"}) {
        EXPECT_THAT(ErrorText(TaggedJsonCodec::Decode(Repeat(open, 1000000)).error),
                    HasSubstr("nesting deeper than 200 levels"));
    }
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

// What the direct form can carry (untyped structures, lists, strings, numbers, booleans, the
// unset optional) comes back as it was, and the text it gives does not change on a second trip.
TEST(DirectJsonTest, UntypedValuesSurviveARoundTrip)
{
    auto object =
        Struct("", {{"name", Str("a")}, {"none", OptionalValue::GetInstance()}, {"empty", Struct("", {})}});
    // U+D7FF shares its lead byte with the surrogates that the decoder refuses.
    ExpectRoundTrips<DirectJsonCodec>(
        {object, ListValue::Create({Int(1), Str("two"), ListValue::Create(), BooleanValue::Create(true)}), Str(""),
         Str("Grüße \xED\x9F\xBF \xF0\x9F\x98\x80 \"quoted\" \\ \n\t\x01"), Int(std::numeric_limits<int64_t>::min()),
         Int(std::numeric_limits<int64_t>::max()), Dbl(2.0), Dbl(-0.0), Dbl(5e-324), BooleanValue::Create(false),
         OptionalValue::GetInstance(), Nested(DirectJsonCodec::kMaxDepth)});
    // A surrogate pair escape decodes to the one four-byte character.
    auto pair = DirectJsonCodec::Decode(R"(["\uD83D\uDE00"])");
    ASSERT_TRUE(pair.Ok()) << pair.error->ToString();
    EXPECT_EQ(*pair.value, *ListValue::Create({Str("\xF0\x9F\x98\x80")}));
}

TEST(DirectJsonTest, RefusesWhatTheTaggedDecoderRefuses)
{
    for (const char* bad : {"[", R"({"a":1,"a":1})", "99999999999999999999", R"(["\uDFFF"])"}) {
        EXPECT_FALSE(DirectJsonCodec::Decode(bad).Ok()) << bad;
    }
    EXPECT_EQ(ErrorText(DirectJsonCodec::Decode(std::string("{}\0", 3)).error),
              "com.orvane.lumo.std.errors.invalid_argument: Malformed JSON at offset 2: Unexpected bytes after the "
              "JSON value.");
    auto decoded = DirectJsonCodec::Decode(DirectJsonCodec::Encode(*Nested(DirectJsonCodec::kMaxDepth + 1)));
    EXPECT_THAT(ErrorText(decoded.error), HasSubstr("nested deeper than 64 levels"));
}

// Tool output may carry bytes that are not UTF-8; each bad sequence is replaced so that the
// encoded answer still parses.
TEST(JsonWriterTest, BytesThatAreNotUtf8AreReplaced)
{
    auto value = StructValue::Create("T\xFF");
    value->SetField("out\xC0", Str("Latin-1 caf\xE9"));
    const std::string replaced = "\xEF\xBF\xBD";
    EXPECT_EQ(TaggedJsonCodec::Encode(*value),
              "{\"struct:T" + replaced + "\":{\"out" + replaced + "\":\"Latin-1 caf" + replaced + "\"}}");
    std::string direct = DirectJsonCodec::Encode(*value);
    EXPECT_EQ(direct, "{\"out" + replaced + "\":\"Latin-1 caf" + replaced + "\"}");
    EXPECT_TRUE(DirectJsonCodec::Decode(direct).Ok());
}

// Names and strings are copied as they stand when no byte needs care, tested eight bytes at
// a time; a byte that does need care must be seen wherever it stands, in a block or in the
// tail, and a text with one byte outside ASCII must still have its encoding checked.
TEST(JsonWriterTest, EveryByteThatNeedsCareIsFoundAtEveryPlace)
{
    for (const std::string& special : std::vector<std::string>{"\"", "\\", "\n", std::string(1, '\0'), "\x1F", "\x7F", "\xC3\xA9"}) {
        for (size_t at = 0; at < 19; ++at) {
            std::string text(19, 'a');
            text.replace(at, 1, special);
            auto value = StructValue::Create("T");
            value->SetField(text, Str(text));
            auto decoded = TaggedJsonCodec::Decode(TaggedJsonCodec::Encode(*value));
            ASSERT_TRUE(decoded.Ok()) << at << ": " << ErrorText(decoded.error);
            auto compound = ValueCast<StructValue>(decoded.value);
            ASSERT_NE(compound, nullptr);
            EXPECT_TRUE(Equal(compound->GetField(text), Str(text))) << at;
        }
    }
    for (size_t at = 0; at < 19; ++at) {
        std::string text = "\"" + std::string(19, 'a') + "\"";
        text[1 + at] = '\xFF';
        EXPECT_THAT(ErrorText(DirectJsonCodec::Decode(text).error), HasSubstr("Malformed JSON")) << at;
    }
}

}  // namespace
}  // namespace Lumo::Protocol::Json
