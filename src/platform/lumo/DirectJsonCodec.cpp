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


class DirectEncoder {
public:
    explicit DirectEncoder(JsonWriter& writer) : writer_(writer) {}

    void Write(const DataValue& value)
    {
        switch (value.Kind()) {
            case DataKind::kVoid:
                writer_.Null();
                return;
            case DataKind::kBoolean:
                writer_.Bool(value.As<BooleanValue>()->Get());
                return;
            case DataKind::kInteger:
                writer_.Int64(value.As<IntegerValue>()->Get());
                return;
            case DataKind::kDouble:
                WriteDouble(value.As<DoubleValue>()->Get());
                return;
            case DataKind::kString:
                writer_.Text(value.As<StringValue>()->Get());
                return;
            case DataKind::kSecret:
                writer_.Text(value.As<SecretValue>()->Get());
                return;
            case DataKind::kBinary:
                writer_.Text(Base64::Encode(value.As<BinaryValue>()->Get()));
                return;
            case DataKind::kDateTime:
                writer_.Text(value.As<DateTimeValue>()->Get().ToString());
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

private:

    // JSON has no NaN or infinity; they become null.
    void WriteDouble(double number)
    {
        if (std::isfinite(number)) {
            writer_.Double(number);
        } else {
            writer_.Null();
        }
    }

    void WriteList(const ListValue& list)
    {
        writer_.StartArray();
        for (const auto& item : list.Items()) {
            Write(*item);
        }
        writer_.EndArray();
    }

    // String keys as an object, any other keys as an array of [key, value] pairs.
    void WriteMap(const MapValue& map)
    {
        if (map.HasOnlyStringKeys()) {
            writer_.StartObject();
            for (const auto& [key, value] : map.Entries()) {
                writer_.Text(key->As<StringValue>()->Get());
                Write(*value);
            }
            writer_.EndObject();
            return;
        }
        writer_.StartArray();
        for (const auto& [key, value] : map.Entries()) {
            writer_.StartArray();
            Write(*key);
            Write(*value);
            writer_.EndArray();
        }
        writer_.EndArray();
    }

    void WriteFields(const CompoundValue& compound)
    {
        writer_.StartObject();
        for (const auto& [name, value] : compound.Fields()) {
            writer_.Text(name);
            Write(*value);
        }
        writer_.EndObject();
    }

    void WriteOptional(const OptionalValue& optional)
    {
        if (optional.IsSet()) {
            Write(*optional.Value());
        } else {
            writer_.Null();
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

void DirectJsonCodec::Write(const DataValue& value, JsonWriter& writer) { DirectEncoder(writer).Write(value); }

JsonDecodeResult DirectJsonCodec::FromJson(const rapidjson::Value& json) { return DirectDecoder().Run(json); }

}  // namespace Lumo::Protocol::Json
