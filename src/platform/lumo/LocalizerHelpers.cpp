#include "platform/lumo/LocalizerHelpers.hpp"

namespace Lumo::L10n {

std::shared_ptr<const Localizer> LocalizerHelpers::GetDefaultLocalizer()
{
    static const auto localizer = std::make_shared<const Localizer>(nullptr);
    return localizer;
}

}  // namespace Lumo::L10n
