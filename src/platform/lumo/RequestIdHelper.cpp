#include "platform/lumo/RequestIdHelper.hpp"

namespace Lumo {

void RequestIdHelper::Set(Core::AsyncActivation& activation, std::string_view id)
{
    activation.requestId.assign(id);
}

std::string_view RequestIdHelper::Get(const Core::AsyncActivation& activation)
{
    // A fresh activation has no id; JSON-RPC answers such a request with a null id.
    if (activation.requestId.empty()) {
        return "null";
    }
    return activation.requestId;
}

}  // namespace Lumo
