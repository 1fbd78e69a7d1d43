// Lumo::L10n::Localizer: renders messages for a locale from a source of message texts.
//
// Immutable after construction and shared by every request; thread-safe as long as its
// lookup function is (a LocalizationBundle's is).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/lumo/BaseMessage.hpp"
#include "platform/lumo/LocalizationBundle.hpp"

namespace Lumo::L10n {

class Localizer {
public:
    // The text of message `id` for exactly `locale`, or nullopt.
    using LookupFunction =
        std::function<std::optional<std::string>(std::string_view id, std::string_view locale)>;

    static constexpr const char* kDefaultLocale = "en_US";

    // Texts from `bundle` (null: default texts only).
    explicit Localizer(std::shared_ptr<const LocalizationBundle> bundle,
                       std::string defaultLocale = kDefaultLocale);

    // Texts from `lookup`; `locales` lists the supported locales or languages (empty: any).
    Localizer(std::vector<std::string> locales, LookupFunction lookup,
              std::string defaultLocale = kDefaultLocale);

    const std::string& DefaultLocale() const { return defaultLocale_; }

    // True when the supported list is empty or names `locale` or its language ("en" of "en_US").
    bool Supports(std::string_view locale) const;

    // The text of `id`, tried for `locale`, its language, the default locale and its
    // language, in that order; nullopt when none has it.
    std::optional<std::string> FindText(std::string_view id, std::string_view locale) const;

    // `message` rendered for `locale`: its text (FindText, else its default text) with the
    // arguments in place. A placeholder fault leaves the placeholder in the text and, when
    // `fault` is given, is stored there (FormatCategory).
    std::string Localize(const BaseMessage& message, std::string_view locale,
                         std::error_code* fault = nullptr) const;

private:
    std::vector<std::string> locales_;
    LookupFunction lookup_;
    std::string defaultLocale_;
};

}  // namespace Lumo::L10n
