#include "api/authz/CallRegistrarBase.hpp"

#include "platform/lumo/ActivationHelpers.hpp"

namespace Lumo::Observer::Detail {

void CallRegistrarBase::Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr input,
                               std::shared_ptr<Core::AsyncActivation> activation,
                               Core::AsyncApiResultCb resultCb)
{
    std::shared_ptr<Api::CallInfo> observer = CreateObserver(method);
    activation->callObserver = observer;
    auto onResult = [observer, activation, resultCb = std::move(resultCb)](Core::MethodResult result) {
        // Progress of a streaming call is not the end of the call.
        if (!result.MoreFollows()) {
            observer->OnCallEnd(Core::ActivationHelpers::ExtractUsername(*activation), !result.IsError());
        }
        resultCb(std::move(result));
    };
    next_->Invoke(method, std::move(input), std::move(activation), std::move(onResult));
}

}  // namespace Lumo::Observer::Detail
