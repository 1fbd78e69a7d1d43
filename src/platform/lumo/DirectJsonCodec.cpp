#include "platform/lumo/DirectJsonCodec.hpp"

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


// Writes values, whole or as the events of a ValueSink, in the direct form.
class DirectEncoder final : public ValueSink {
public:
    explicit DirectEncoder(JsonWriter& writer) : writer_(writer) {}

    void Value(const DataValue& value) override
    {
        switch (value.Kind()) {
            case DataKind::kVoid:
                writer_.Null();
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
            case DataKind::kError:
                WriteFields(*value.As<CompoundValue>());
                return;
            case DataKind::kOptional:
                WriteOptional(*value.As<OptionalValue>());
                return;
            case DataKind::kEnum:
                writer_.Text(value.As<EnumValue>()->Value());
                return;
        }
    }

    void Bool(bool value) override { writer_.Bool(value); }
    void Integer(int64_t value) override { writer_.Int64(value); }

    // JSON has no NaN or infinity; they become null.
    void Double(double value) override
    {
        if (std::isfinite(value)) {
            writer_.Double(value);
        } else {
            writer_.Null();
        }
    }

    void String(std::string_view value) override { writer_.Text(value); }
    void Secret(std::string_view value) override { writer_.Text(value); }
    void Binary(const std::vector<uint8_t>& value) override { writer_.Text(Base64::Encode(value)); }
    void Time(const DateTime& value) override { writer_.Text(value.ToString()); }
    void Enum(std::string_view /*typeName*/, std::string_view name) override { writer_.Text(name); }

    // An optional is its value, or null.
    void Unset() override { writer_.Null(); }
    void StartOptional() override {}
    void EndOptional() override {}

    void StartList() override { writer_.StartArray(); }
    void EndList() override { writer_.EndArray(); }

    void StartStringMap() override { writer_.StartObject(); }
    void Key(std::string_view key) override { writer_.Text(key); }
    void EndStringMap() override { writer_.EndObject(); }

    void StartStruct(std::string_view /*typeName*/) override { writer_.StartObject(); }
    void Field(std::string_view name) override { writer_.Text(name); }
    void EndStruct() override { writer_.EndObject(); }

private:
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
        writer_.StartArray();
        for (const auto& [key, value] : map.Entries()) {
            writer_.StartArray();
            Value(*key);
            Value(*value);
            writer_.EndArray();
        }
        writer_.EndArray();
    }

    void WriteFields(const CompoundValue& compound)
    {
        writer_.StartObject();
        for (const auto& [name, value] : compound.Fields()) {
            Field(name);
            Value(*value);
        }
        writer_.EndObject();
    }

    void WriteOptional(const OptionalValue& optional)
    {
        if (optional.IsSet()) {
            Value(*optional.Value());
        } else {
            Unset();
        }
    }

    JsonWriter& writer_;
};

// Builds a generic value from a parsed document; on the first fault records an error and returns null.
class DirectDecoder : public JsonDecoderBase<DirectDecoder, DirectJsonCodec::kMaxDepth> {
    friend class JsonDecoderBase<DirectDecoder, DirectJsonCodec::kMaxDepth>;

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
                return ReadFields<StructValue>(std::string(), json, depth, "member");
        }
        return Fail("unknown JSON type");
    }
};

}  // namespace

void DirectJsonCodec::Write(const DataValue& value, JsonWriter& writer) { DirectEncoder(writer).Value(value); }

void DirectJsonCodec::Write(const NativeOutput& output, JsonWriter& writer)
{
    DirectEncoder encoder(writer);
    output.Emit(encoder);
}

JsonDecodeResult DirectJsonCodec::FromJson(const rapidjson::Value& json) { return DirectDecoder().Run(json); }

}  // namespace Lumo::Protocol::Json
