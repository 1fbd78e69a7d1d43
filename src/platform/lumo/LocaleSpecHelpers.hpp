// Lumo::L10n::LocaleSpecHelpers: the locale a request asks for, from its "accept-language"
// header and its format locale ("lumo-ctx-format-locale" header or application context entry
// "format-locale"), matched against the locales the daemon renders messages in.
//
// Stateless; thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/lumo/ExecutionContext.hpp"
#include "platform/lumo/HeaderField.hpp"

namespace Lumo::L10n {

struct LocaleSpec {
    std::string locale = "en_US";        // messages are rendered in this locale
    std::string formatLocale = "en_US";  // numbers and dates are formatted for this one

    bool operator==(const LocaleSpec&) const = default;
};

class LocaleSpecHelpers {
public:
    static constexpr std::string_view kAcceptLanguageHeader = "accept-language";
    static constexpr std::string_view kFormatLocaleHeader = "lumo-ctx-format-locale";
    static constexpr std::string_view kFormatLocaleKey = "format-locale";

    // The locales the daemon can render ("en_US").
    static const std::vector<std::string>& DefaultSupportedLocales();

    // Fills `spec` for the request; no header gives "en_US" for both. Errors (L10nCategory):
    // 1 no acceptable language is supported, 2 the format locale is not supported, 3 a
    // malformed header or entry. `spec` is left unchanged on error.
    static std::error_code ExtractLocaleSpec(
        const Core::ExecutionContext& context, const HeaderFields& headers, LocaleSpec& spec,
        const std::vector<std::string>& supported = DefaultSupportedLocales());

    // The same over any range of headers offering Name() and Value().
    template <class HeaderRange>
    static std::error_code ExtractLocaleSpec(
        const Core::ExecutionContext& context, const HeaderRange& headers, LocaleSpec& spec,
        const std::vector<std::string>& supported = DefaultSupportedLocales())
    {
        return ExtractLocaleSpec(context, CollectHeaderFields(headers), spec, supported);
    }
};

}  // namespace Lumo::L10n
