#include "platform/lumo/AsyncServiceBinderBase.hpp"

#include <algorithm>

#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/FrameworkMessages.hpp"
#include "platform/lumo/LocalizableMessage.hpp"

namespace Lumo::Bindings {

namespace {

constexpr const char* kOperationNotFound = "com.orvane.lumo.std.errors.operation_not_found";

}  // namespace

AsyncServiceBinderBase::AsyncServiceBinderBase(std::string_view serviceId, std::vector<std::string> operationIds,
                                               std::vector<std::vector<std::string_view>> parameters,
                                               std::shared_ptr<L10n::Localizer> localizer)
    : serviceId_(serviceId),
      operationIds_(std::move(operationIds)),
      parameters_(std::move(parameters)),
      localizer_(std::move(localizer))
{
}

L10n::RequestLocalizer AsyncServiceBinderBase::LocalizerFor(const Core::AsyncActivation* activation) const
{
    if (activation != nullptr) {
        return activation->requestLocalizer;
    }
    return localizer_ != nullptr ? L10n::RequestLocalizer(localizer_) : L10n::RequestLocalizer();
}

void AsyncServiceBinderBase::Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr input,
                                    std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncApiResultCb resultCb)
{
    L10n::RequestLocalizer localizer = LocalizerFor(activation.get());
    auto found = std::find(operationIds_.begin(), operationIds_.end(), method.OperationId());
    if (method.ServiceId() != serviceId_ || found == operationIds_.end()) {
        auto message = FrameworkMessages::Make("lumo.operation.not.found", {method.ServiceId(), method.OperationId()});
        auto error = Data::ErrorValue::Create(
            kOperationNotFound, {Com::Orvane::Lumo::Std::LocalizableMessage::Render(message, localizer).ToValue()});
        resultCb(Core::MethodResult::FromError(std::move(error)));
        return;
    }
    size_t index = static_cast<size_t>(found - operationIds_.begin());
    if (input == nullptr) {
        input = Data::StructValue::Create("");
    }
    AdaptContext context(localizer);
    const auto& names = parameters_[index];
    // The parameter structure is untyped on the wire; its name is not checked.
    auto structure = Data::ValueCast<Data::StructValue>(input);
    if (structure == nullptr) {
        context.FailType("struct of parameters", input.get());
        resultCb(Core::MethodResult::FromError(context.Error()));
        return;
    }
    for (const auto& [name, ignored] : structure->Fields()) {
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            context.EnterField(name);
            context.FailCast("unknown parameter \"" + name + "\"", method.ToString());
            resultCb(Core::MethodResult::FromError(context.Error()));
            return;
        }
    }
    BoundCall call(std::move(structure), std::move(activation), std::move(resultCb), std::move(localizer));
    try {
        Dispatch(index, call);
    } catch (...) {
        call.Answer(Core::MethodResult::GetErrorInstance());
    }
}

}  // namespace Lumo::Bindings
