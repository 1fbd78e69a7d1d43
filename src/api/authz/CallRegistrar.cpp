#include "api/authz/CallRegistrar.hpp"

#include "api/authz/AuditSwitch.hpp"

namespace Lumo::Observer {

CallRegistrar::CallRegistrar(std::shared_ptr<Core::AsyncApiProvider> next)
    : CallRegistrarBase(std::move(next))
{
    Api::AuditSwitch::Decide();
}

void CallRegistrar::ObserveCallEnd(Api::AuditContext& context, bool success)
{
    if (context.Has(Api::AuditContext::kMuteKey)) {
        return;
    }
    context.Complete(success);
}

std::shared_ptr<Api::CallInfo> CallRegistrar::CreateObserver(const Core::MethodIdentifier& method)
{
    return std::make_shared<Api::AuditContext>(method, &CallRegistrar::ObserveCallEnd);
}

}  // namespace Lumo::Observer
