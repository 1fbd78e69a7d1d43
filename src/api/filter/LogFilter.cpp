#include "api/filter/LogFilter.hpp"

#include "platform/host/CSLogger.hpp"
#include "platform/lumo/ActivationHelpers.hpp"

namespace Host::Settings::SettingsApi::Filter {

using Lumo::Core::MethodResult;

const std::string LogFilter::kOpIdKey = "opId";

LogFilter::LogFilter(std::shared_ptr<Lumo::Core::AsyncApiProvider> next) : next_(std::move(next)) {}

std::string LogFilter::Name() const { return "LogFilter"; }

void LogFilter::Invoke(const Lumo::Core::MethodIdentifier& method, Lumo::Data::DataValuePtr input,
                       std::shared_ptr<Lumo::Core::AsyncActivation> activation,
                       Lumo::Core::AsyncApiResultCb resultCb)
{
    const std::string opId = Lumo::Core::ActivationHelpers::GetActivationOpId(*activation);
    if (!opId.empty()) {
        CSLogger::CurrentContext::Set(kOpIdKey, opId);
    }

    auto onResult = [self = shared_from_this(), resultCb = std::move(resultCb)](MethodResult result) {
        // Progress deliveries of a streaming call are not its outcome; the call is still running.
        if (result.MoreFollows()) {
            resultCb(std::move(result));
            return;
        }
        const bool failed = result.IsError();
        // The caller gets the result first, so the outcome line never delays the answer.
        resultCb(std::move(result));
        if (failed) {
            CSLogger::Log(0, "Method failed");
        } else {
            CSLogger::Log(2, "Method succeeded");
        }
        CSLogger::CurrentContext::Erase(kOpIdKey);
    };

    try {
        next_->Invoke(method, std::move(input), std::move(activation), std::move(onResult));
    } catch (...) {
        // No result will come for a call that never got in, so nothing else clears the entry.
        CSLogger::CurrentContext::Erase(kOpIdKey);
        throw;
    }
}

}  // namespace Host::Settings::SettingsApi::Filter
