#include "platform/lumo/ActivationHelpers.hpp"

namespace Lumo::Core {

std::string ActivationHelpers::GetActivationOpId(const AsyncActivation& activation)
{
    const auto& context = activation.executionContext.applicationContext;
    auto entry = context.find(ExecutionContext::kOpIdKey);
    return entry != context.end() ? entry->second : std::string();
}

std::optional<std::string> ActivationHelpers::ExtractUsername(const AsyncActivation& activation)
{
    if (!activation.authData || activation.authData->userName.empty()) {
        return std::nullopt;
    }
    return activation.authData->userName;
}

void ActivationHelpers::SetPeerTcpBindingInfo(ExecutionContext& context, std::string address, uint16_t port)
{
    context.peer = PeerTcpBindingInfo{std::move(address), port};
}

}  // namespace Lumo::Core
