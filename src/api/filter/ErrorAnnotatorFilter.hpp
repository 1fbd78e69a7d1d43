// Host::Settings::SettingsApi::Filter::ErrorAnnotatorFilter: the innermost filter; marks every
// error passing back to the client with the originator id of this host ("__originator__").
//
// Shared object owned by the chain (and by the pending result callbacks). Results may arrive
// on any thread; the filter keeps no mutable state of its own.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/lumo/AsyncApiProvider.hpp"

namespace Host::Settings::SettingsApi::Filter {

class ErrorAnnotatorFilter : public Lumo::Core::AsyncApiProvider,
                             public std::enable_shared_from_this<ErrorAnnotatorFilter> {
public:
    // The error field that names the originator.
    static constexpr const char* kOriginatorField = "__originator__";
    // Gives the originator id; throws when it cannot be determined.
    using OriginatorSource = std::function<std::string()>;

    // A filter in front of `next` (never null) using this host's default originator id.
    explicit ErrorAnnotatorFilter(std::shared_ptr<Lumo::Core::AsyncApiProvider> next);
    // As above, with the originator id taken from `originator` at each annotation.
    ErrorAnnotatorFilter(std::shared_ptr<Lumo::Core::AsyncApiProvider> next, OriginatorSource originator);

    // "ErrorAnnotatorFilter".
    std::string Name() const override;

    // Passes the call on; an error result that has no "__originator__" yet gets one before it
    // is handed to `resultCb`. Successful results pass unchanged.
    void Invoke(const Lumo::Core::MethodIdentifier& method, Lumo::Data::DataValuePtr input,
                std::shared_ptr<Lumo::Core::AsyncActivation> activation,
                Lumo::Core::AsyncApiResultCb resultCb) override;

private:
    // `result` with its error annotated, or unchanged when it needs no annotation.
    Lumo::Core::MethodResult Annotate(Lumo::Core::MethodResult result) const;

    const std::shared_ptr<Lumo::Core::AsyncApiProvider> next_;
    const OriginatorSource originator_;
};

}  // namespace Host::Settings::SettingsApi::Filter
