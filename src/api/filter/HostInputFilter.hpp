// Host::Settings::SettingsApi::Filter::HostInputFilter: refuses calls of host-scoped services
// whose "host" parameter names another host than this one ("localhost").
//
// Shared object owned by the chain; runs on the endpoint thread. Its state is constant after
// construction.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/AsyncLocalProvider.hpp"

namespace Host::Settings::SettingsApi::Filter {

class HostInputFilter : public Lumo::Core::AsyncApiProvider,
                        public std::enable_shared_from_this<HostInputFilter> {
public:
    using ServiceIdSet = std::set<std::string, std::less<>>;

    // The only host name the host-scoped services accept.
    static constexpr const char* kLocalHost = "localhost";
    // The message id of the refusal.
    static constexpr const char* kHostInvalidMessageId = "com.orvane.tarn.host.invalid";

    // A filter in front of `next` (never null) checking the calls of `hostServiceIds`; refusals
    // are answered through `dispatcher`.
    HostInputFilter(std::shared_ptr<Lumo::Core::AsyncApiProvider> next, Lumo::Provider::Dispatcher dispatcher,
                    ServiceIdSet hostServiceIds);

    // "HostInputFilter".
    std::string Name() const override;

    // Passes the call on unless it is a host-scoped call whose "host" is not "localhost"; such a
    // call is answered, on a later turn of the dispatcher, with a not_found error.
    void Invoke(const Lumo::Core::MethodIdentifier& method, Lumo::Data::DataValuePtr input,
                std::shared_ptr<Lumo::Core::AsyncActivation> activation,
                Lumo::Core::AsyncApiResultCb resultCb) override;

private:
    // The error answering a call whose host is `host`.
    static Lumo::Data::ErrorValuePtr WrongHostError(const std::string& host,
                                                    const Lumo::Core::AsyncActivation& activation);

    const std::shared_ptr<Lumo::Core::AsyncApiProvider> next_;
    const Lumo::Provider::Dispatcher dispatcher_;
    const ServiceIdSet hostServiceIds_;
};

}  // namespace Host::Settings::SettingsApi::Filter
