#include "platform/lumo/LocaleSpecHelpers.hpp"

namespace Lumo::L10n {

const std::vector<std::string>& LocaleSpecHelpers::DefaultSupportedLocales()
{
    static const std::vector<std::string> locales{"en_US"};
    return locales;
}

std::error_code LocaleSpecHelpers::ExtractLocaleSpec(const Core::ExecutionContext&, const HeaderFields&, LocaleSpec&,
                                                     const std::vector<std::string>&)
{
    return {};
}

}  // namespace Lumo::L10n
