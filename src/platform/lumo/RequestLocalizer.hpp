// Lumo::L10n::RequestLocalizer: a localizer bound to the locale and time zone of one request
// (by default "en_US" and "Etc/UTC").
//
// A small value: copying it shares the localizer. Thread-safe as its localizer.
#pragma once

#include <memory>
#include <string>
#include <system_error>

#include "platform/lumo/BaseMessage.hpp"
#include "platform/lumo/Localizer.hpp"

namespace Lumo::L10n {

class RequestLocalizer {
public:
    static constexpr const char* kDefaultTimeZone = "Etc/UTC";

    // The default localizer for "en_US" in "Etc/UTC".
    RequestLocalizer();
    // `localizer` (never null) for `locale` in `timeZone`.
    explicit RequestLocalizer(std::shared_ptr<const Localizer> localizer,
                              std::string locale = Localizer::kDefaultLocale,
                              std::string timeZone = kDefaultTimeZone);

    const std::string& Locale() const { return locale_; }
    const std::string& TimeZone() const { return timeZone_; }
    const Localizer& GetLocalizer() const { return *localizer_; }

    // `message` rendered for this request's locale (see Localizer::Localize).
    std::string Localize(const BaseMessage& message, std::error_code* fault = nullptr) const
    {
        return localizer_->Localize(message, locale_, fault);
    }

private:
    std::shared_ptr<const Localizer> localizer_;
    std::string locale_;
    std::string timeZone_;
};

}  // namespace Lumo::L10n
