#include "platform/lumo/NotifyOnInvoke.hpp"

namespace Lumo::Provider::Detail {

void NotifyOnInvoke(Core::AsyncActivation& activation)
{
    activation.serviceStart = std::chrono::steady_clock::now();
}

}  // namespace Lumo::Provider::Detail
