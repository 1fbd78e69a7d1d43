#include "platform/lumo/RequestLocalizer.hpp"

#include "platform/lumo/LocalizerHelpers.hpp"

namespace Lumo::L10n {

RequestLocalizer::RequestLocalizer() : RequestLocalizer(LocalizerHelpers::GetDefaultLocalizer()) {}

RequestLocalizer::RequestLocalizer(std::shared_ptr<const Localizer> localizer, std::string locale,
                                   std::string timeZone)
    : localizer_(std::move(localizer)), locale_(std::move(locale)), timeZone_(std::move(timeZone))
{
}

}  // namespace Lumo::L10n
