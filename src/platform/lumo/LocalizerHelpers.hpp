// Lumo::L10n::LocalizerHelpers: access to the process's default localizer.
//
// The default localizer has no catalogue: it renders every message from its default text
// for locale "en_US". It is created once, never changed, and thread-safe.
#pragma once

#include <memory>

#include "platform/lumo/Localizer.hpp"

namespace Lumo::L10n {

class LocalizerHelpers {
public:
    // The shared default localizer.
    static std::shared_ptr<const Localizer> GetDefaultLocalizer();
};

}  // namespace Lumo::L10n
