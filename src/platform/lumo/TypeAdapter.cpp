#include "platform/lumo/TypeAdapter.hpp"

#include "platform/lumo/Base64.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "platform/lumo/StructReader.hpp"

namespace Lumo::Bindings {

using Data::DataValuePtr;

DataValuePtr TypeAdapter<std::string>::ToValue(const std::string& native)
{
    return Data::StringValue::Create(native);
}

void TypeAdapter<std::string>::Emit(const std::string& native, Data::ValueSink& sink) { sink.String(native); }

bool TypeAdapter<std::string>::FromValue(const DataValuePtr& value, std::string& native, AdaptContext& context)
{
    if (const auto* text = value->As<Data::StringValue>()) {
        native = text->Get();
        return true;
    }
    // A secret arrives as a secret when tagged and as a string when not.
    if (const auto* secret = value->As<Data::SecretValue>()) {
        native = secret->Get();
        return true;
    }
    return context.FailType("string", value.get());
}

DataValuePtr SecretAdapter::ToValue(const std::string& native) { return Data::SecretValue::Create(native); }

void SecretAdapter::Emit(const std::string& native, Data::ValueSink& sink) { sink.Secret(native); }

void SecretAdapter::Emit(const std::optional<std::string>& native, Data::ValueSink& sink)
{
    if (!native) {
        sink.Unset();
        return;
    }
    sink.StartOptional();
    sink.Secret(*native);
    sink.EndOptional();
}

DataValuePtr TypeAdapter<int64_t>::ToValue(int64_t native) { return Data::IntegerValue::Create(native); }

void TypeAdapter<int64_t>::Emit(int64_t native, Data::ValueSink& sink) { sink.Integer(native); }

bool TypeAdapter<int64_t>::FromValue(const DataValuePtr& value, int64_t& native, AdaptContext& context)
{
    if (const auto* number = value->As<Data::IntegerValue>()) {
        native = number->Get();
        return true;
    }
    return context.FailType("integer", value.get());
}

DataValuePtr TypeAdapter<double>::ToValue(double native) { return Data::DoubleValue::Create(native); }

void TypeAdapter<double>::Emit(double native, Data::ValueSink& sink) { sink.Double(native); }

bool TypeAdapter<double>::FromValue(const DataValuePtr& value, double& native, AdaptContext& context)
{
    if (const auto* number = value->As<Data::DoubleValue>()) {
        native = number->Get();
        return true;
    }
    // JSON writes 2.0 as 2 often enough; an integer is a fine double.
    if (const auto* number = value->As<Data::IntegerValue>()) {
        native = static_cast<double>(number->Get());
        return true;
    }
    return context.FailType("double", value.get());
}

DataValuePtr TypeAdapter<bool>::ToValue(bool native) { return Data::BooleanValue::Create(native); }

void TypeAdapter<bool>::Emit(bool native, Data::ValueSink& sink) { sink.Bool(native); }

bool TypeAdapter<bool>::FromValue(const DataValuePtr& value, bool& native, AdaptContext& context)
{
    if (const auto* flag = value->As<Data::BooleanValue>()) {
        native = flag->Get();
        return true;
    }
    return context.FailType("boolean", value.get());
}

DataValuePtr TypeAdapter<std::vector<uint8_t>>::ToValue(const std::vector<uint8_t>& native)
{
    return Data::BinaryValue::Create(native);
}

void TypeAdapter<std::vector<uint8_t>>::Emit(const std::vector<uint8_t>& native, Data::ValueSink& sink)
{
    sink.Binary(native);
}

bool TypeAdapter<std::vector<uint8_t>>::FromValue(const DataValuePtr& value, std::vector<uint8_t>& native,
                                                  AdaptContext& context)
{
    if (const auto* bytes = value->As<Data::BinaryValue>()) {
        native = bytes->Get();
        return true;
    }
    if (const auto* text = value->As<Data::StringValue>()) {
        auto decoded = Protocol::Json::Base64::Decode(text->Get());
        if (!decoded) {
            return context.FailCast("string that is not base64", "binary");
        }
        native = std::move(*decoded);
        return true;
    }
    return context.FailType("binary", value.get());
}

DataValuePtr TypeAdapter<DateTime>::ToValue(const DateTime& native) { return Data::DateTimeValue::Create(native); }

void TypeAdapter<DateTime>::Emit(const DateTime& native, Data::ValueSink& sink) { sink.Time(native); }

bool TypeAdapter<DateTime>::FromValue(const DataValuePtr& value, DateTime& native, AdaptContext& context)
{
    if (const auto* time = value->As<Data::DateTimeValue>()) {
        native = time->Get();
        return true;
    }
    if (const auto* text = value->As<Data::StringValue>()) {
        auto parsed = DateTime::Create(text->Get());
        if (!parsed) {
            return context.FailCast("string \"" + text->Get() + "\"", "date_time");
        }
        native = *parsed;
        return true;
    }
    return context.FailType("date_time", value.get());
}

DataValuePtr TypeAdapter<DataValuePtr>::ToValue(const DataValuePtr& native)
{
    return native != nullptr ? native : Data::OptionalValue::GetInstance();
}

void TypeAdapter<DataValuePtr>::Emit(const DataValuePtr& native, Data::ValueSink& sink)
{
    if (native != nullptr) {
        sink.Value(*native);
    } else {
        sink.Unset();
    }
}

bool TypeAdapter<DataValuePtr>::FromValue(const DataValuePtr& value, DataValuePtr& native, AdaptContext&)
{
    native = value;
    return true;
}

DataValuePtr TypeAdapter<Data::ErrorValuePtr>::ToValue(const Data::ErrorValuePtr& native)
{
    return native != nullptr ? DataValuePtr(native) : Data::OptionalValue::GetInstance();
}

void TypeAdapter<Data::ErrorValuePtr>::Emit(const Data::ErrorValuePtr& native, Data::ValueSink& sink)
{
    if (native != nullptr) {
        sink.Value(*native);
    } else {
        sink.Unset();
    }
}

bool TypeAdapter<Data::ErrorValuePtr>::FromValue(const DataValuePtr& value, Data::ErrorValuePtr& native,
                                                 AdaptContext& context)
{
    auto error = Data::ValueCast<Data::ErrorValue>(value);
    if (error == nullptr) {
        return context.FailType("error", value.get());
    }
    native = std::move(error);
    return true;
}

DataValuePtr TypeAdapter<Com::Orvane::Lumo::Std::LocalizableMessage>::ToValue(
    const Com::Orvane::Lumo::Std::LocalizableMessage& native)
{
    return native.ToValue();
}

void TypeAdapter<Com::Orvane::Lumo::Std::LocalizableMessage>::Emit(
    const Com::Orvane::Lumo::Std::LocalizableMessage& native, Data::ValueSink& sink)
{
    sink.StartStruct(Com::Orvane::Lumo::Std::LocalizableMessage::kTypeName);
    sink.Field("id");
    sink.String(native.id);
    sink.Field("default_message");
    sink.String(native.defaultMessage);
    sink.Field("args");
    sink.StartList();
    for (const auto& arg : native.args) {
        sink.String(arg);
    }
    sink.EndList();
    sink.Field("localized");
    sink.String(native.localized);
    sink.EndStruct();
}

bool TypeAdapter<Com::Orvane::Lumo::Std::LocalizableMessage>::FromValue(
    const DataValuePtr& value, Com::Orvane::Lumo::Std::LocalizableMessage& native, AdaptContext& context)
{
    StructReader reader(value, Com::Orvane::Lumo::Std::LocalizableMessage::kTypeName,
                        {"id", "default_message", "args", "localized"}, context);
    return reader.Ok() && reader.Get("id", native.id) && reader.Get("default_message", native.defaultMessage) &&
           reader.Get("args", native.args) && reader.Get("localized", native.localized);
}

bool ReadEnumText(const DataValuePtr& value, std::string_view& text, std::string_view typeId, AdaptContext& context)
{
    const auto* constant = value->As<Data::StringValue>();
    if (constant == nullptr) {
        return context.FailType(typeId, value.get());
    }
    text = constant->Get();
    return true;
}

bool MapEntries::Collect(const DataValuePtr& value, AdaptContext& context,
                         std::vector<std::pair<std::string, DataValuePtr>>& entries)
{
    if (const auto* map = value->As<Data::MapValue>()) {
        for (const auto& [key, item] : map->Entries()) {
            const auto* text = key->As<Data::StringValue>();
            if (text == nullptr) {
                return context.FailType("map with string keys", key.get());
            }
            entries.emplace_back(text->Get(), item);
        }
        return true;
    }
    if (const auto* object = value->As<Data::StructValue>(); object != nullptr && object->TypeName().empty()) {
        for (const auto& [name, item] : object->Fields()) {
            entries.emplace_back(name, item);
        }
        return true;
    }
    if (const auto* list = value->As<Data::ListValue>()) {
        for (const auto& item : list->Items()) {
            const auto* entry = item->As<Data::StructValue>();
            DataValuePtr key = entry != nullptr ? entry->GetField("key") : nullptr;
            DataValuePtr content = entry != nullptr ? entry->GetField("value") : nullptr;
            const auto* text = key != nullptr ? key->As<Data::StringValue>() : nullptr;
            if (text == nullptr || content == nullptr || entry->Fields().size() != 2) {
                return context.FailType("map entry with a string \"key\" and a \"value\"", item.get());
            }
            entries.emplace_back(text->Get(), content);
        }
        return true;
    }
    return context.FailType("map", value.get());
}

}  // namespace Lumo::Bindings
