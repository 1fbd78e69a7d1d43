#include "tasks/ConfigManagerMessages.hpp"

#include "platform/lumo/ErrorFactory.hpp"
#include "translator/Translator.hpp"

namespace LifeCycle {

namespace {

std::vector<Lumo::BaseMessage> BaseMessagesOf(
    const std::vector<TarnConfigManager::LocalizableMessage>& messages)
{
    std::vector<Lumo::BaseMessage> base;
    base.reserve(messages.size());
    for (const auto& message : messages) base.emplace_back(message.id, message.text, message.args);
    return base;
}

}  // namespace

std::vector<Com::Orvane::Lumo::Std::LocalizableMessage> ConfigManagerMessages::Render(
    const std::vector<TarnConfigManager::LocalizableMessage>& messages)
{
    const Lumo::L10n::RequestLocalizer localizer = Translator::MakeRequestLocalizer();
    std::vector<Com::Orvane::Lumo::Std::LocalizableMessage> rendered;
    rendered.reserve(messages.size());
    for (const Lumo::BaseMessage& message : BaseMessagesOf(messages)) {
        rendered.push_back(Com::Orvane::Lumo::Std::LocalizableMessage::Render(message, localizer));
    }
    return rendered;
}

Lumo::Data::ErrorValuePtr ConfigManagerMessages::ToError(
    const Com::Orvane::Lumo::Std::Errors::StandardError& kind, const TarnConfigManager::ErrorInfo& info)
{
    return Lumo::Data::ErrorFactory::GetError(kind, BaseMessagesOf(info.messages),
                                              Translator::MakeRequestLocalizer());
}

}  // namespace LifeCycle
