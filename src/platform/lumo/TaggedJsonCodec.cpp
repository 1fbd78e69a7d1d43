#include "platform/lumo/TaggedJsonCodec.hpp"

#include <cmath>

#include "platform/lumo/Base64.hpp"
#include "platform/lumo/DataValues.hpp"
#include "platform/lumo/JsonErrors.hpp"
#include "platform/lumo/JsonParser.hpp"
#include "platform/lumo/JsonDecoderBase.hpp"
#include "platform/lumo/JsonPath.hpp"

namespace Lumo::Protocol::Json {

namespace {

using namespace Lumo::Data;

// Tags of the one-member objects. Structures, errors and enumerations carry their type or
// error name in the tag itself ("struct:<type>"), which keeps the form one level flatter.
constexpr std::string_view kVoidTag = "void";
constexpr std::string_view kDoubleTag = "double";
constexpr std::string_view kSecretTag = "secret";
constexpr std::string_view kBinaryTag = "binary";
constexpr std::string_view kDateTimeTag = "datetime";
constexpr std::string_view kMapTag = "map";
constexpr std::string_view kOptionalTag = "optional";
constexpr std::string_view kStructPrefix = "struct:";
constexpr std::string_view kErrorPrefix = "error:";
constexpr std::string_view kEnumPrefix = "enum:";


// Writes values, whole or as the events of a ValueSink, in the tagged form.
class TaggedEncoder final : public ValueSink {
public:
    explicit TaggedEncoder(JsonWriter& writer) : writer_(writer) {}

    void Value(const DataValue& value) override
    {
        switch (value.Kind()) {
            case DataKind::kVoid:
                OpenTag(kVoidTag);
                writer_.Null();
                writer_.EndObject();
                return;
            case DataKind::kBoolean:
                Bool(value.As<BooleanValue>()->Get());
                return;
            case DataKind::kInteger:
                Integer(value.As<IntegerValue>()->Get());
                return;
            case DataKind::kDouble:
                Double(value.As<DoubleValue>()->Get());
                return;
            case DataKind::kString:
                String(value.As<StringValue>()->Get());
                return;
            case DataKind::kSecret:
                Secret(value.As<SecretValue>()->Get());
                return;
            case DataKind::kBinary:
                Binary(value.As<BinaryValue>()->Get());
                return;
            case DataKind::kDateTime:
                Time(value.As<DateTimeValue>()->Get());
                return;
            case DataKind::kList:
                WriteList(*value.As<ListValue>());
                return;
            case DataKind::kMap:
                WriteMap(*value.As<MapValue>());
                return;
            case DataKind::kStruct:
                WriteCompound(kStructPrefix, *value.As<CompoundValue>());
                return;
            case DataKind::kError:
                WriteCompound(kErrorPrefix, *value.As<CompoundValue>());
                return;
            case DataKind::kOptional:
                WriteOptional(*value.As<OptionalValue>());
                return;
            case DataKind::kEnum:
                Enum(value.As<EnumValue>()->TypeName(), value.As<EnumValue>()->Value());
                return;
        }
    }

    void Bool(bool value) override { writer_.Bool(value); }
    void Integer(int64_t value) override { writer_.Int64(value); }

    void Double(double value) override
    {
        if (std::isfinite(value)) {
            writer_.Double(value);
        } else {
            Tagged(kDoubleTag, std::isnan(value) ? "NaN" : (value > 0 ? "Infinity" : "-Infinity"));
        }
    }

    void String(std::string_view value) override { writer_.Text(value); }
    void Secret(std::string_view value) override { Tagged(kSecretTag, value); }
    void Binary(const std::vector<uint8_t>& value) override { Tagged(kBinaryTag, Base64::Encode(value)); }
    void Time(const DateTime& value) override { Tagged(kDateTimeTag, value.ToString()); }

    void Enum(std::string_view typeName, std::string_view name) override
    {
        OpenNamedTag(kEnumPrefix, typeName);
        writer_.Text(name);
        writer_.EndObject();
    }

    void Unset() override { writer_.Null(); }
    void StartOptional() override { OpenTag(kOptionalTag); }
    void EndOptional() override { writer_.EndObject(); }

    void StartList() override { writer_.StartArray(); }
    void EndList() override { writer_.EndArray(); }

    void StartStringMap() override
    {
        OpenTag(kMapTag);
        writer_.StartObject();
    }
    void Key(std::string_view key) override { writer_.Text(key); }
    void EndStringMap() override
    {
        writer_.EndObject();
        writer_.EndObject();
    }

    void StartStruct(std::string_view typeName) override { StartCompound(kStructPrefix, typeName); }
    void Field(std::string_view name) override { writer_.Text(name); }
    void EndStruct() override
    {
        writer_.EndObject();
        writer_.EndObject();
    }

private:
    void OpenTag(std::string_view tag)
    {
        writer_.StartObject();
        writer_.Text(tag);
    }

    // Opens the object of a tag made of `prefix` and `name`.
    void OpenNamedTag(std::string_view prefix, std::string_view name)
    {
        scratch_.assign(prefix);
        scratch_.append(name);
        OpenTag(scratch_);
    }

    void Tagged(std::string_view tag, std::string_view text)
    {
        OpenTag(tag);
        writer_.Text(text);
        writer_.EndObject();
    }

    void WriteList(const ListValue& list)
    {
        StartList();
        for (const auto& item : list.Items()) {
            Value(*item);
        }
        EndList();
    }

    // String keys as an object, any other keys as an array of [key, value] pairs.
    void WriteMap(const MapValue& map)
    {
        if (map.HasOnlyStringKeys()) {
            StartStringMap();
            for (const auto& [key, value] : map.Entries()) {
                Key(key->As<StringValue>()->Get());
                Value(*value);
            }
            EndStringMap();
            return;
        }
        OpenTag(kMapTag);
        writer_.StartArray();
        for (const auto& [key, value] : map.Entries()) {
            writer_.StartArray();
            Value(*key);
            Value(*value);
            writer_.EndArray();
        }
        writer_.EndArray();
        writer_.EndObject();
    }

    void StartCompound(std::string_view prefix, std::string_view name)
    {
        OpenNamedTag(prefix, name);
        writer_.StartObject();
    }

    void WriteCompound(std::string_view prefix, const CompoundValue& compound)
    {
        StartCompound(prefix, compound.Name());
        for (const auto& [name, value] : compound.Fields()) {
            Field(name);
            Value(*value);
        }
        EndStruct();
    }

    void WriteOptional(const OptionalValue& optional)
    {
        if (!optional.IsSet()) {
            Unset();
            return;
        }
        StartOptional();
        Value(*optional.Value());
        EndOptional();
    }

    JsonWriter& writer_;
    std::string scratch_;  // reused for composed tags
};

// Builds a value from a parsed document; on the first fault records an error and returns null.
class TaggedDecoder : public JsonDecoderBase<TaggedDecoder, TaggedJsonCodec::kMaxDepth> {
    friend class JsonDecoderBase<TaggedDecoder, TaggedJsonCodec::kMaxDepth>;

private:
    DataValuePtr ReadValue(const rapidjson::Value& json, size_t depth)
    {
        switch (json.GetType()) {
            case rapidjson::kNullType:
                return OptionalValue::GetInstance();
            case rapidjson::kFalseType:
            case rapidjson::kTrueType:
                return BooleanValue::Create(json.GetBool());
            case rapidjson::kNumberType:
                return ReadNumber(json);
            case rapidjson::kStringType:
                return StringValue::Create(std::string(View(json)));
            case rapidjson::kArrayType:
                return ReadList(json, depth);
            case rapidjson::kObjectType:
                return ReadTagged(json, depth);
        }
        return Fail("unknown JSON type");
    }

    DataValuePtr ReadTagged(const rapidjson::Value& json, size_t depth)
    {
        if (json.MemberCount() != 1) {
            return Fail("a tagged value is an object of exactly one member, found " +
                        std::to_string(json.MemberCount()));
        }
        const auto& member = *json.MemberBegin();
        std::string_view tag = View(member.name);
        path_.Push(tag);
        DataValuePtr value = ReadPayload(tag, member.value, depth);
        if (value != nullptr) {
            path_.Pop();
        }
        return value;
    }

    DataValuePtr ReadPayload(std::string_view tag, const rapidjson::Value& payload, size_t depth)
    {
        if (tag == kVoidTag) {
            return payload.IsNull() ? VoidValue::GetInstance() : Fail("void takes null");
        }
        if (tag == kOptionalTag) {
            DataValuePtr inner = Read(payload, depth + 1);
            return inner != nullptr ? OptionalValue::Create(std::move(inner)) : nullptr;
        }
        if (tag == kMapTag) {
            return ReadMap(payload, depth);
        }
        if (tag.starts_with(kStructPrefix)) {
            return ReadCompound<StructValue>("struct", tag.substr(kStructPrefix.size()), payload, depth);
        }
        if (tag.starts_with(kErrorPrefix)) {
            return ReadCompound<ErrorValue>("error", tag.substr(kErrorPrefix.size()), payload, depth);
        }
        if (!payload.IsString()) {
            if (tag == kDoubleTag || tag == kSecretTag || tag == kBinaryTag || tag == kDateTimeTag ||
                tag.starts_with(kEnumPrefix)) {
                return Fail(std::string(tag.substr(0, tag.find(':'))) + " takes a string");
            }
            return Fail("unknown tag \"" + std::string(tag) + "\"");
        }
        return ReadTextPayload(tag, View(payload));
    }

    DataValuePtr ReadTextPayload(std::string_view tag, std::string_view text)
    {
        if (tag == kSecretTag) {
            return SecretValue::Create(std::string(text));
        }
        if (tag.starts_with(kEnumPrefix)) {
            return EnumValue::Create(std::string(tag.substr(kEnumPrefix.size())), std::string(text));
        }
        if (tag == kDoubleTag) {
            return ReadSpecialDouble(text);
        }
        if (tag == kBinaryTag) {
            auto bytes = Base64::Decode(text);
            return bytes ? BinaryValue::Create(std::move(*bytes)) : Fail("binary is not padded base64");
        }
        if (tag == kDateTimeTag) {
            auto time = DateTime::Create(text);
            return time ? DateTimeValue::Create(*time)
                        : Fail("datetime is not \"YYYY-MM-DDTHH:MM:SS[.fff]Z\"");
        }
        return Fail("unknown tag \"" + std::string(tag) + "\"");
    }

    DataValuePtr ReadSpecialDouble(std::string_view text)
    {
        if (text == "NaN") {
            return DoubleValue::Create(std::nan(""));
        }
        if (text == "Infinity" || text == "-Infinity") {
            return DoubleValue::Create(text[0] == '-' ? -HUGE_VAL : HUGE_VAL);
        }
        return Fail("double takes \"NaN\", \"Infinity\" or \"-Infinity\"");
    }

    DataValuePtr ReadMap(const rapidjson::Value& payload, size_t depth)
    {
        auto map = MapValue::Create();
        if (payload.IsObject()) {
            if (auto duplicate = JsonParser::FindDuplicateKey(payload)) {
                return Fail("duplicate key \"" + std::string(*duplicate) + "\"");
            }
            map->Reserve(payload.MemberCount());
            for (const auto& member : payload.GetObject()) {
                DataValuePtr value = ReadChild(View(member.name), member.value, depth + 1);
                if (value == nullptr) {
                    return nullptr;
                }
                map->Insert(std::string(View(member.name)), std::move(value));
            }
            return map;
        }
        if (!payload.IsArray()) {
            return Fail("map takes an object or an array of [key, value] pairs");
        }
        map->Reserve(payload.Size());
        for (rapidjson::SizeType i = 0; i < payload.Size(); ++i) {
            const auto& pair = payload[i];
            if (!pair.IsArray() || pair.Size() != 2) {
                path_.Push(size_t{i});
                return Fail("a map entry is a [key, value] pair");
            }
            path_.Push(size_t{i});
            DataValuePtr key = ReadChild(size_t{0}, pair[0], depth + 1);
            DataValuePtr value = key != nullptr ? ReadChild(size_t{1}, pair[1], depth + 1) : nullptr;
            if (value == nullptr) {
                return nullptr;
            }
            path_.Pop();
            map->Insert(std::move(key), std::move(value));
        }
        return map;
    }

    template <typename Compound>
    DataValuePtr ReadCompound(const char* kind, std::string_view name, const rapidjson::Value& payload, size_t depth)
    {
        if (!payload.IsObject()) {
            return Fail(std::string(kind) + " takes an object of fields");
        }
        return ReadFields<Compound>(std::string(name), payload, depth, "field");
    }
};

}  // namespace

void TaggedJsonCodec::Write(const DataValue& value, JsonWriter& writer) { TaggedEncoder(writer).Value(value); }

void TaggedJsonCodec::Write(const NativeOutput& output, JsonWriter& writer)
{
    TaggedEncoder encoder(writer);
    output.Emit(encoder);
}

JsonDecodeResult TaggedJsonCodec::FromJson(const rapidjson::Value& json) { return TaggedDecoder().Run(json); }

}  // namespace Lumo::Protocol::Json
