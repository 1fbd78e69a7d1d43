// LifeCycle::ConfigManagerMessages: the configuration manager's messages as a client sees
// them: rendered through the message catalogues for "en_US" in "Etc/UTC", alone or in an
// error value.
//
// Static only; thread-safe.
#pragma once

#include <vector>

#include "platform/host/configmanager/ErrorInfo.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/StandardError.hpp"

namespace LifeCycle {

class ConfigManagerMessages {
public:
    static std::vector<Com::Orvane::Lumo::Std::LocalizableMessage> Render(
        const std::vector<TarnConfigManager::LocalizableMessage>& messages);

    // An error value of `kind` carrying the library's messages.
    static Lumo::Data::ErrorValuePtr ToError(const Com::Orvane::Lumo::Std::Errors::StandardError& kind,
                                             const TarnConfigManager::ErrorInfo& info);
};

}  // namespace LifeCycle
