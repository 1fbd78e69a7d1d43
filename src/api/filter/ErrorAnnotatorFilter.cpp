#include "api/filter/ErrorAnnotatorFilter.hpp"

#include <exception>

#include "platform/host/CSLogger.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "util/Originator.hpp"

namespace Host::Settings::SettingsApi::Filter {

using Lumo::Core::MethodResult;

ErrorAnnotatorFilter::ErrorAnnotatorFilter(std::shared_ptr<Lumo::Core::AsyncApiProvider> next)
    : ErrorAnnotatorFilter(std::move(next), [] { return LifeCycle::Originator::Default(); })
{
}

ErrorAnnotatorFilter::ErrorAnnotatorFilter(std::shared_ptr<Lumo::Core::AsyncApiProvider> next,
                                           OriginatorSource originator)
    : next_(std::move(next)), originator_(std::move(originator))
{
}

std::string ErrorAnnotatorFilter::Name() const { return "ErrorAnnotatorFilter"; }

void ErrorAnnotatorFilter::Invoke(const Lumo::Core::MethodIdentifier& method, Lumo::Data::DataValuePtr input,
                                  std::shared_ptr<Lumo::Core::AsyncActivation> activation,
                                  Lumo::Core::AsyncApiResultCb resultCb)
{
    next_->Invoke(method, std::move(input), std::move(activation),
                  [self = shared_from_this(), resultCb = std::move(resultCb)](MethodResult result) {
                      resultCb(self->Annotate(std::move(result)));
                  });
}

MethodResult ErrorAnnotatorFilter::Annotate(MethodResult result) const
{
    // An error that already names its originator keeps it: the innermost producer knows best.
    if (!result.IsError() || result.Error()->HasField(kOriginatorField)) {
        return result;
    }
    std::string originator;
    try {
        originator = originator_();
    } catch (const std::exception& error) {
        // The error still reaches the client, only without the mark.
        CSLogger::Log(0, "Unable to determine the originator ID: %s", error.what());
        return result;
    }
    // Errors are shared and immutable; a shallow copy takes the new field.
    auto annotated = std::make_shared<Lumo::Data::ErrorValue>(*result.Error());
    annotated->SetField(kOriginatorField, Lumo::Data::StringValue::Create(std::move(originator)));
    MethodResult out = MethodResult::FromError(std::move(annotated));
    out.SetStream(result.IsStream());
    out.SetMoreFollows(result.MoreFollows());
    return out;
}

}  // namespace Host::Settings::SettingsApi::Filter
