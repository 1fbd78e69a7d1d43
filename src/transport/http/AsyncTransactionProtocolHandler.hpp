// AsyncTransactionProtocolHandler: the layer between an HTTP exchange and the API provider.
// It decodes the JSON-RPC request, completes the call's execution context from the headers,
// invokes the provider and has the result written as the answer.
//
// One per server, shared by every connection; constant after construction, so thread-safe.
// HandleRequest runs on the connection's strand and never touches a socket itself.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/HeaderField.hpp"
#include "platform/lumo/Localizer.hpp"
#include "platform/lumo/UpdateExecutionCtxHelper.hpp"
#include "transport/http/TransactionChannel.hpp"
#include "transport/protocol/ProtocolHandlerSpec.hpp"
#include "transport/protocol/RequestSpec.hpp"

namespace Lumo::Transport::Http {

// The client's TCP address, as the transport saw it.
struct PeerInfo {
    std::string address;
    std::uint16_t port = 0;
};

class AsyncTransactionProtocolHandler {
public:
    // `localizer` (may be null: the framework's default) renders the call's messages in the
    // locale the request asks for; `updaters` run after the built-in header rules.
    AsyncTransactionProtocolHandler(std::shared_ptr<Core::AsyncApiProvider> provider,
                                    std::shared_ptr<const L10n::Localizer> localizer,
                                    ProtocolHandlerSpec spec = {},
                                    std::vector<Provider::JsonRpc1_1::ContextUpdater> updaters = {});

    // Handles one request whose body has been read: decodes it and answers the decoder's
    // error, or invokes the provider and has its deliveries written. `headers` is read
    // before this returns. The exchange ends through channel->EndExchange in every case.
    void HandleRequest(const std::shared_ptr<TransactionChannel>& channel,
                       std::shared_ptr<const RequestSpec> spec, const HeaderFields& headers,
                       std::string_view body, const std::optional<PeerInfo>& peer) const;

private:
    void SendDecoderError(const std::shared_ptr<TransactionChannel>& channel, const RequestSpec& spec,
                          const Data::ErrorValuePtr& error) const;

    // Constant after construction.
    const std::shared_ptr<Core::AsyncApiProvider> provider_;
    const std::shared_ptr<const L10n::Localizer> localizer_;
    const ProtocolHandlerSpec spec_;
    const std::vector<Provider::JsonRpc1_1::ContextUpdater> updaters_;
};

}  // namespace Lumo::Transport::Http
