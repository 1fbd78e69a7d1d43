#include "platform/lumo/LocalizableMessage.hpp"

#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/ScalarValue.hpp"

namespace Com::Orvane::Lumo::Std {

namespace Data = ::Lumo::Data;

namespace {

const std::string* StringField(const Data::StructValue& value, std::string_view name)
{
    auto field = value.GetField(name);
    const auto* text = field != nullptr ? field->As<Data::StringValue>() : nullptr;
    return text != nullptr ? &text->Get() : nullptr;
}

}  // namespace

LocalizableMessage LocalizableMessage::Render(const ::Lumo::BaseMessage& message,
                                              const ::Lumo::L10n::RequestLocalizer& localizer)
{
    return {message.Id(), message.DefaultMessage(), message.Args(), localizer.Localize(message)};
}

Data::StructValuePtr LocalizableMessage::ToValue() const
{
    auto argList = Data::ListValue::Create();
    argList->Reserve(args.size());
    for (const auto& arg : args) {
        argList->Add(Data::StringValue::Create(arg));
    }
    auto value = std::make_shared<Data::StructValue>(
        kTypeName, std::vector<Data::CompoundValue::Field>{
                       {"id", Data::StringValue::Create(id)},
                       {"default_message", Data::StringValue::Create(defaultMessage)},
                       {"args", std::move(argList)},
                       {"localized", Data::StringValue::Create(localized)},
                   });
    return value;
}

std::optional<LocalizableMessage> LocalizableMessage::FromValue(const Data::DataValue& value)
{
    const auto* fields = value.As<Data::StructValue>();
    if (fields == nullptr || fields->TypeName() != kTypeName) {
        return std::nullopt;
    }
    const std::string* idText = StringField(*fields, "id");
    const std::string* defaultText = StringField(*fields, "default_message");
    const std::string* localizedText = StringField(*fields, "localized");
    auto argField = fields->GetField("args");
    const auto* argList = argField != nullptr ? argField->As<Data::ListValue>() : nullptr;
    if (idText == nullptr || defaultText == nullptr || localizedText == nullptr || argList == nullptr) {
        return std::nullopt;
    }
    LocalizableMessage message{*idText, *defaultText, {}, *localizedText};
    for (const auto& item : argList->Items()) {
        const auto* arg = item->As<Data::StringValue>();
        if (arg == nullptr) {
            return std::nullopt;
        }
        message.args.push_back(arg->Get());
    }
    return message;
}

}  // namespace Com::Orvane::Lumo::Std
