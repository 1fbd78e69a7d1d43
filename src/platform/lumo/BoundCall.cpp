#include "platform/lumo/BoundCall.hpp"

namespace Lumo::Bindings {

BoundCall::BoundCall(std::shared_ptr<const Data::StructValue> input, std::shared_ptr<Core::AsyncActivation> activation,
                     Core::AsyncApiResultCb resultCb, L10n::RequestLocalizer localizer)
    : input_(std::move(input)),
      activation_(std::move(activation)),
      answer_(std::make_shared<Answerer>()),
      context_(std::move(localizer))
{
    answer_->resultCb = std::move(resultCb);
}

void BoundCall::Answerer::Deliver(Core::MethodResult result)
{
    // An implementation that answers twice (or throws after answering) must not reach the
    // transport twice for one call.
    if (delivered.exchange(true)) {
        return;
    }
    resultCb(std::move(result));
}

}  // namespace Lumo::Bindings
