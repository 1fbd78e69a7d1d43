// Lumo::L10n::LocalizerHelpers: access to the process's default localizer, the one every
// request localizer made without an explicit localizer renders with.
//
// Until a host installs its own, the default localizer has no catalogue: it renders every
// message from its default text for locale "en_US". Thread-safe.
#pragma once

#include <memory>

#include "platform/lumo/Localizer.hpp"

namespace Lumo::L10n {

class LocalizerHelpers {
public:
    // The shared default localizer.
    static std::shared_ptr<const Localizer> GetDefaultLocalizer();

    // Makes `localizer` (never null) the default from now on; a host installs its message
    // catalogues this way at start-up, before it serves requests.
    static void SetDefaultLocalizer(std::shared_ptr<const Localizer> localizer);
};

}  // namespace Lumo::L10n
