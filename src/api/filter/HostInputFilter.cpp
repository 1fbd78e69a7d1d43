#include "api/filter/HostInputFilter.hpp"

#include <optional>

#include "platform/host/CSLogger.hpp"
#include "platform/lumo/CompoundValue.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/OptionalValue.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "platform/lumo/StandardError.hpp"

namespace Host::Settings::SettingsApi::Filter {

using Lumo::Core::MethodResult;
using Lumo::Data::DataValuePtr;

namespace {

constexpr const char* kHostField = "host";
constexpr const char* kHostInvalidText = "The host {1} is not this host; it should be {2}.";

// The host a call names: its "host" field, looked through a set optional. Nullopt when the
// input has no such field or leaves it unset; a value that is not a string gives its text.
std::optional<std::string> HostParameter(const DataValuePtr& input)
{
    const auto compound = Lumo::Data::ValueCast<Lumo::Data::CompoundValue>(input);
    if (compound == nullptr) {
        return std::nullopt;
    }
    DataValuePtr host = compound->GetField(kHostField);
    if (const auto optional = Lumo::Data::ValueCast<Lumo::Data::OptionalValue>(host)) {
        host = optional->Value();
    }
    if (host == nullptr) {
        return std::nullopt;
    }
    if (const auto text = Lumo::Data::ValueCast<Lumo::Data::StringValue>(host)) {
        return text->Get();
    }
    return host->ToString();
}

}  // namespace

HostInputFilter::HostInputFilter(std::shared_ptr<Lumo::Core::AsyncApiProvider> next,
                                 Lumo::Provider::Dispatcher dispatcher, ServiceIdSet hostServiceIds)
    : next_(std::move(next)), dispatcher_(std::move(dispatcher)), hostServiceIds_(std::move(hostServiceIds))
{
}

std::string HostInputFilter::Name() const { return "HostInputFilter"; }

void HostInputFilter::Invoke(const Lumo::Core::MethodIdentifier& method, DataValuePtr input,
                             std::shared_ptr<Lumo::Core::AsyncActivation> activation,
                             Lumo::Core::AsyncApiResultCb resultCb)
{
    if (!hostServiceIds_.contains(method.ServiceId())) {
        next_->Invoke(method, std::move(input), std::move(activation), std::move(resultCb));
        return;
    }
    CSLogger::Log(2, "Checking the host parameter value for method:%s and service:%s",
                  method.ToString().c_str(), method.ServiceId().c_str());

    const std::optional<std::string> host = HostParameter(input);
    if (!host || *host == kLocalHost) {
        next_->Invoke(method, std::move(input), std::move(activation), std::move(resultCb));
        return;
    }

    CSLogger::Log(0, "Host parameter value is:%s. It should be:%s", host->c_str(), kLocalHost);
    Lumo::Data::ErrorValuePtr error = WrongHostError(*host, *activation);
    // Answered on a later turn, like every other result, so callers never see a synchronous reply.
    dispatcher_([resultCb = std::move(resultCb), error = std::move(error)]() {
        resultCb(MethodResult::FromError(error));
    });
}

Lumo::Data::ErrorValuePtr HostInputFilter::WrongHostError(const std::string& host,
                                                          const Lumo::Core::AsyncActivation& activation)
{
    const Lumo::BaseMessage message(kHostInvalidMessageId, kHostInvalidText, {host, kLocalHost});
    return Lumo::Data::ErrorFactory::GetError(Com::Orvane::Lumo::Std::Errors::NotFound, {message},
                                              activation.requestLocalizer);
}

}  // namespace Host::Settings::SettingsApi::Filter
