#include "platform/lumo/LocaleSpecHelpers.hpp"

#include <algorithm>
#include <optional>

#include "platform/lumo/L10nCategory.hpp"
#include "platform/lumo/Localizer.hpp"

namespace Lumo::L10n {

namespace {

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }


// A locale reduced to what the matching looks at: language ("en") and region ("US", may be empty).
struct Locale {
    std::string language;
    std::string region;
};

// "en", "en-US", "en_us", "zh-Hant-TW": subtags of 1-8 letters or digits separated by "-"
// or "_", the first all letters. The region is the first later subtag of two letters or
// three digits; script and variant subtags are ignored.
std::optional<Locale> ParseLocale(std::string_view text)
{
    Locale locale;
    bool first = true;
    while (true) {
        size_t end = text.find_first_of("-_");
        std::string_view subtag = text.substr(0, end);
        if (subtag.empty() || subtag.size() > 8) {
            return std::nullopt;
        }
        for (char c : subtag) {
            if (!IsAlpha(c) && !(IsDigit(c) && !first)) {
                return std::nullopt;
            }
        }
        if (first) {
            std::transform(subtag.begin(), subtag.end(), std::back_inserter(locale.language), Lower);
        } else if (locale.region.empty() &&
                   ((subtag.size() == 2 && IsAlpha(subtag[0]) && IsAlpha(subtag[1])) ||
                    (subtag.size() == 3 && std::all_of(subtag.begin(), subtag.end(), IsDigit)))) {
            std::transform(subtag.begin(), subtag.end(), std::back_inserter(locale.region), Upper);
        }
        first = false;
        if (end == std::string_view::npos) {
            return locale;
        }
        text.remove_prefix(end + 1);
    }
}

std::string Name(const Locale& locale)
{
    return locale.region.empty() ? locale.language : locale.language + "_" + locale.region;
}

// The supported locale that serves `wanted`: the same locale, else the first of the same
// language (a client asking for "en-GB" reads "en_US" texts rather than none).
std::optional<std::string> Match(const Locale& wanted, const std::vector<std::string>& supported)
{
    if (supported.empty()) {
        return Name(wanted);
    }
    std::optional<std::string> sameLanguage;
    for (const auto& candidate : supported) {
        auto parsed = ParseLocale(candidate);
        if (!parsed || parsed->language != wanted.language) {
            continue;
        }
        if (parsed->region == wanted.region) {
            return candidate;
        }
        if (!sameLanguage) {
            sameLanguage = candidate;
        }
    }
    return sameLanguage;
}

// A quality value: "0" to "1" with at most three decimals.
std::optional<int> ParseQuality(std::string_view text)
{
    if (text.empty() || (text[0] != '0' && text[0] != '1') || text.size() > 5) {
        return std::nullopt;
    }
    int thousandths = (text[0] - '0') * 1000;
    if (text.size() > 1) {
        if (text[1] != '.') {
            return std::nullopt;
        }
        int scale = 100;
        for (char c : text.substr(2)) {
            if (!IsDigit(c)) {
                return std::nullopt;
            }
            thousandths += (c - '0') * scale;
            scale /= 10;
        }
    }
    return thousandths <= 1000 ? std::optional<int>(thousandths) : std::nullopt;
}

struct LanguageRange {
    std::optional<Locale> locale;  // nullopt for "*"
    int quality = 1000;
};

// The ranges of an Accept-Language value ("da, en-GB;q=0.8, *;q=0.1"), or nullopt when it
// is malformed. Empty list elements are allowed, as in every HTTP list.
std::optional<std::vector<LanguageRange>> ParseAcceptLanguage(std::string_view value)
{
    std::vector<LanguageRange> ranges;
    while (!value.empty()) {
        size_t comma = value.find(',');
        std::string_view element = TrimOptionalWhitespace(value.substr(0, comma));
        value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
        if (element.empty()) {
            continue;
        }
        LanguageRange range;
        size_t semicolon = element.find(';');
        std::string_view tag = TrimOptionalWhitespace(element.substr(0, semicolon));
        if (tag != "*") {
            range.locale = ParseLocale(tag);
            if (!range.locale) {
                return std::nullopt;
            }
        }
        if (semicolon != std::string_view::npos) {
            std::string_view parameter = TrimOptionalWhitespace(element.substr(semicolon + 1));
            if (parameter.size() < 2 || Lower(parameter[0]) != 'q' || parameter[1] != '=') {
                return std::nullopt;
            }
            auto quality = ParseQuality(parameter.substr(2));
            if (!quality) {
                return std::nullopt;
            }
            range.quality = *quality;
        }
        ranges.push_back(std::move(range));
    }
    return ranges;
}

std::optional<std::string_view> FindHeader(const HeaderFields& headers, std::string_view lowerName)
{
    for (const auto& header : headers) {
        if (header.name.size() == lowerName.size() &&
            std::equal(header.name.begin(), header.name.end(), lowerName.begin(),
                       [](char a, char b) { return Lower(a) == b; })) {
            return header.value;
        }
    }
    return std::nullopt;
}

// The locale for the messages; nullopt `value` or an empty one gives the default.
std::error_code ChooseLocale(std::optional<std::string_view> value, const std::vector<std::string>& supported,
                             std::string& locale)
{
    if (!value || TrimOptionalWhitespace(*value).empty()) {
        locale = supported.empty() ? Localizer::kDefaultLocale : supported.front();
        return {};
    }
    auto ranges = ParseAcceptLanguage(*value);
    if (!ranges) {
        return make_error_code(L10nError::kBadLocaleHeader);
    }
    std::stable_sort(ranges->begin(), ranges->end(),
                     [](const LanguageRange& a, const LanguageRange& b) { return a.quality > b.quality; });
    for (const auto& range : *ranges) {
        if (range.quality == 0) {
            break;  // "not acceptable", and every later range too
        }
        if (!range.locale) {
            locale = supported.empty() ? Localizer::kDefaultLocale : supported.front();
            return {};
        }
        if (auto match = Match(*range.locale, supported)) {
            locale = std::move(*match);
            return {};
        }
    }
    return make_error_code(L10nError::kLocaleNotSupported);
}

}  // namespace

const std::vector<std::string>& LocaleSpecHelpers::DefaultSupportedLocales()
{
    static const std::vector<std::string> locales{Localizer::kDefaultLocale};
    return locales;
}

std::error_code LocaleSpecHelpers::ExtractLocaleSpec(const Core::ExecutionContext& context,
                                                     const HeaderFields& headers, LocaleSpec& spec,
                                                     const std::vector<std::string>& supported)
{
    LocaleSpec result;
    if (auto error = ChooseLocale(FindHeader(headers, kAcceptLanguageHeader), supported, result.locale)) {
        return error;
    }
    // The payload's entry wins over the header, as for every context entry.
    std::optional<std::string_view> format;
    auto entry = context.applicationContext.find(kFormatLocaleKey);
    if (entry != context.applicationContext.end()) {
        format = entry->second;
    } else {
        format = FindHeader(headers, kFormatLocaleHeader);
    }
    if (!format) {
        result.formatLocale = result.locale;
    } else {
        auto parsed = ParseLocale(TrimOptionalWhitespace(*format));
        if (!parsed) {
            return make_error_code(L10nError::kBadLocaleHeader);
        }
        auto match = Match(*parsed, supported);
        if (!match) {
            return make_error_code(L10nError::kFormatLocaleNotSupported);
        }
        result.formatLocale = std::move(*match);
    }
    spec = std::move(result);
    return {};
}

}  // namespace Lumo::L10n
