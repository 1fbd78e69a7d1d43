#include "platform/lumo/AsyncApiInterface.hpp"

#include <algorithm>

namespace Lumo::Provider {

bool AsyncApiInterface::HasOperation(std::string_view operationId) const
{
    const auto& ids = OperationIds();
    return std::find(ids.begin(), ids.end(), operationId) != ids.end();
}

}  // namespace Lumo::Provider
