#include "platform/lumo/ErrorFactory.hpp"

#include "platform/lumo/LocalizableMessage.hpp"

namespace Lumo::Data {

ErrorValuePtr ErrorFactory::GetError(const Com::Orvane::Lumo::Std::Errors::StandardError& kind,
                                     const std::vector<BaseMessage>& messages,
                                     const L10n::RequestLocalizer& localizer)
{
    std::vector<DataValuePtr> rendered;
    rendered.reserve(messages.size());
    for (const auto& message : messages) {
        rendered.push_back(Com::Orvane::Lumo::Std::LocalizableMessage::Render(message, localizer).ToValue());
    }
    return ErrorValue::Create(std::string(kind.Name()), std::move(rendered));
}

}  // namespace Lumo::Data
