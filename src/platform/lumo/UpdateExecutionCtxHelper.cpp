#include "platform/lumo/UpdateExecutionCtxHelper.hpp"

namespace Lumo::Provider::JsonRpc1_1 {

bool UpdateExecutionCtxHelper::Update(const HeaderFields&, const Core::MethodIdentifier&, Core::ExecutionContext&,
                                      const std::vector<ContextUpdater>&)
{
    return true;
}

}  // namespace Lumo::Provider::JsonRpc1_1
