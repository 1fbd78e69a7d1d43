#include "util/ServiceErrors.hpp"

#include "translator/Translator.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"

namespace LifeCycle {

Lumo::Data::ErrorValuePtr ServiceErrors::Make(const Kind& kind, const std::string& id,
                                              std::vector<std::string> args)
{
    return WithMessages(kind, {Lumo::BaseMessage(id, Translator::Lookup(id, "en_US"), std::move(args))});
}

Lumo::Data::ErrorValuePtr ServiceErrors::Bare(const Kind& kind) { return WithMessages(kind, {}); }

Lumo::Data::ErrorValuePtr ServiceErrors::WithMessages(const Kind& kind,
                                                      const std::vector<Lumo::BaseMessage>& messages)
{
    return Lumo::Data::ErrorFactory::GetError(kind, messages, Translator::MakeRequestLocalizer());
}

std::vector<Lumo::BaseMessage> ServiceErrors::MessagesOf(const Lumo::Data::ErrorValue& error)
{
    std::vector<Lumo::BaseMessage> messages;
    const auto list =
        Lumo::Data::ValueCast<Lumo::Data::ListValue>(error.GetField(Lumo::Data::ErrorValue::kMessagesField));
    if (list == nullptr) {
        return messages;
    }
    for (const auto& item : list->Items()) {
        if (auto message = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*item)) {
            messages.emplace_back(message->id, message->defaultMessage, message->args);
        }
    }
    return messages;
}

}  // namespace LifeCycle
