#include "platform/lumo/LocalizerHelpers.hpp"

#include <atomic>

namespace Lumo::L10n {

namespace {

std::atomic<std::shared_ptr<const Localizer>>& DefaultLocalizer()
{
    static std::atomic<std::shared_ptr<const Localizer>> localizer{std::make_shared<const Localizer>(nullptr)};
    return localizer;
}

}  // namespace

std::shared_ptr<const Localizer> LocalizerHelpers::GetDefaultLocalizer() { return DefaultLocalizer().load(); }

void LocalizerHelpers::SetDefaultLocalizer(std::shared_ptr<const Localizer> localizer)
{
    DefaultLocalizer().store(std::move(localizer));
}

}  // namespace Lumo::L10n
