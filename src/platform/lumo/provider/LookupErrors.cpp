#include "platform/lumo/provider/LookupErrors.hpp"

#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/FrameworkMessages.hpp"

namespace Lumo::Provider {

Data::ErrorValuePtr LookupErrors::NotFound(const Core::AsyncActivation& activation, std::string messageId,
                                           std::vector<std::string> args)
{
    return Data::ErrorFactory::GetError(Com::Orvane::Lumo::Std::Errors::NotFound,
                                        {FrameworkMessages::Make(std::move(messageId), std::move(args))},
                                        activation.requestLocalizer);
}

}  // namespace Lumo::Provider
