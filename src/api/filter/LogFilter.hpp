// Host::Settings::SettingsApi::Filter::LogFilter: the outermost element of the provider chain.
// Puts the call's operation id into every log line written on the entering thread while the
// call runs, and writes one outcome line per call.
//
// Shared object owned by the chain (and by the pending result callbacks); runs on the endpoint
// thread. Not thread-safe beyond that: the log context it touches is per thread.
#pragma once

#include <memory>
#include <string>

#include "platform/lumo/AsyncApiProvider.hpp"

namespace Host::Settings::SettingsApi::Filter {

class LogFilter : public Lumo::Core::AsyncApiProvider, public std::enable_shared_from_this<LogFilter> {
public:
    // The log context key under which the operation id is shown.
    static const std::string kOpIdKey;

    // A filter passing calls on to `next` (never null).
    explicit LogFilter(std::shared_ptr<Lumo::Core::AsyncApiProvider> next);

    // "LogFilter".
    std::string Name() const override;

    // Sets "opId" for the call, passes it on, and when the final result arrives hands it to
    // `resultCb`, logs "Method succeeded" or "Method failed" and removes "opId".
    void Invoke(const Lumo::Core::MethodIdentifier& method, Lumo::Data::DataValuePtr input,
                std::shared_ptr<Lumo::Core::AsyncActivation> activation,
                Lumo::Core::AsyncApiResultCb resultCb) override;

private:
    const std::shared_ptr<Lumo::Core::AsyncApiProvider> next_;
};

}  // namespace Host::Settings::SettingsApi::Filter
