// LifeCycle::Translator: the English texts of the daemon's message ids, read from the
// configuration manager's message catalogues, and the localizers that render error values.
//
// Static only. The catalogues are loaded into one process-wide bundle on the first lookup and
// kept for the life of the process; every method is thread-safe.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lumo/Localizer.hpp"
#include "platform/lumo/RequestLocalizer.hpp"

namespace LifeCycle {

class Translator {
public:
    // Host directory searched recursively for ".msgcat" files.
    static constexpr const char* kCatalogueDir = "/usr/lib/orvane/configmanager/locale/en";
    // The text of an id that no catalogue defines.
    static constexpr const char* kUnknownMessage = "Unknown message.";

    // The English text of `id` (one enclosing pair of double quotes removed), or
    // kUnknownMessage. `locale` is accepted for the localizer's sake; English is always used.
    static std::string Lookup(std::string_view id, std::string_view locale);

    // A localizer over the catalogues for the supported languages.
    static std::shared_ptr<Lumo::L10n::Localizer> MakeLocalizer();

    // A request localizer over MakeLocalizer() for "en_US" in "Etc/UTC".
    static Lumo::L10n::RequestLocalizer MakeRequestLocalizer();

    // The supported languages, in order of preference.
    static const std::vector<std::string>& Languages();
};

}  // namespace LifeCycle
