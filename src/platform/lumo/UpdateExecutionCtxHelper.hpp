// Lumo::Provider::JsonRpc1_1::UpdateExecutionCtxHelper: completes a call's execution context
// from the HTTP request headers ("lumo-operation-id", "lumo-ctx-<key>", "authorization:
// Basic"). The payload always wins over a header; the rules and their order are in
// docs/api.md.
//
// Stateless; thread-safe. The context belongs to the caller's call.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "platform/lumo/ExecutionContext.hpp"
#include "platform/lumo/HeaderField.hpp"
#include "platform/lumo/MethodIdentifier.hpp"

namespace Lumo::Provider::JsonRpc1_1 {

// An extra rule supplied by the provider configuration; runs after the built-in rules;
// returning false refuses the call.
using ContextUpdater = std::function<bool(const HeaderFields& headers, const Core::MethodIdentifier& method,
                                          Core::ExecutionContext& context)>;

class UpdateExecutionCtxHelper {
public:
    static constexpr std::string_view kOperationIdHeader = "lumo-operation-id";
    static constexpr std::string_view kContextHeaderPrefix = "lumo-ctx-";
    static constexpr std::string_view kAuthorizationHeader = "authorization";

    // Applies the header rules to `context`; false when "lumo-operation-id" differs from the
    // payload's operation id or an updater refuses (the call must not proceed).
    static bool Update(const HeaderFields& headers, const Core::MethodIdentifier& method,
                       Core::ExecutionContext& context, const std::vector<ContextUpdater>& updaters = {});

    // The same over any range of headers offering Name() and Value().
    template <class HeaderRange>
    static bool Update(const HeaderRange& headers, const Core::MethodIdentifier& method,
                       Core::ExecutionContext& context, const std::vector<ContextUpdater>& updaters = {})
    {
        return Update(CollectHeaderFields(headers), method, context, updaters);
    }
};

}  // namespace Lumo::Provider::JsonRpc1_1
