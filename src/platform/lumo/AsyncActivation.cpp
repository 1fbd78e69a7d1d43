#include "platform/lumo/AsyncActivation.hpp"

namespace Lumo::Core {

std::shared_ptr<AsyncActivation> AsyncActivation::GetInstance(ExecutionContext executionContext)
{
    auto activation = std::make_shared<AsyncActivation>();
    activation->executionContext = std::move(executionContext);
    return activation;
}

}  // namespace Lumo::Core
