#include "platform/lumo/Localizer.hpp"

#include <algorithm>

#include "platform/lumo/LocalizableMessageHelpers.hpp"

namespace Lumo::L10n {

namespace {

// "en" of "en_US" (also of "en-US"); the locale itself when it names no region.
std::string_view LanguageOf(std::string_view locale) { return locale.substr(0, locale.find_first_of("_-")); }

}  // namespace

Localizer::Localizer(std::shared_ptr<const LocalizationBundle> bundle, std::string defaultLocale)
    : defaultLocale_(std::move(defaultLocale))
{
    if (bundle != nullptr) {
        lookup_ = [bundle = std::move(bundle)](std::string_view id, std::string_view locale) {
            return bundle->Lookup(locale, id);
        };
    }
}

Localizer::Localizer(std::vector<std::string> locales, LookupFunction lookup, std::string defaultLocale)
    : locales_(std::move(locales)), lookup_(std::move(lookup)), defaultLocale_(std::move(defaultLocale))
{
}

bool Localizer::Supports(std::string_view locale) const
{
    if (locales_.empty()) {
        return true;
    }
    auto listed = [&](std::string_view name) {
        return std::find(locales_.begin(), locales_.end(), name) != locales_.end();
    };
    return listed(locale) || listed(LanguageOf(locale));
}

std::optional<std::string> Localizer::FindText(std::string_view id, std::string_view locale) const
{
    if (!lookup_) {
        return std::nullopt;
    }
    const std::string_view candidates[] = {locale, LanguageOf(locale), defaultLocale_,
                                           LanguageOf(defaultLocale_)};
    for (size_t i = 0; i < std::size(candidates); ++i) {
        // Skip a candidate already tried (e.g. the default locale when it was requested).
        if (candidates[i].empty() || std::find(candidates, candidates + i, candidates[i]) != candidates + i) {
            continue;
        }
        if (auto text = lookup_(id, candidates[i])) {
            return text;
        }
    }
    return std::nullopt;
}

std::string Localizer::Localize(const BaseMessage& message, std::string_view locale,
                                std::error_code* fault) const
{
    std::optional<std::string> text = FindText(message.Id(), locale);
    std::string out;
    std::error_code status = LocalizableMessageHelpers::formatMessage(text ? *text : message.DefaultMessage(),
                                                                      message.Args(), out);
    if (fault != nullptr) {
        *fault = status;
    }
    return out;
}

}  // namespace Lumo::L10n
