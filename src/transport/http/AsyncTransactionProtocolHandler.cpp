#include "transport/http/AsyncTransactionProtocolHandler.hpp"

#include <exception>
#include <utility>

#include "platform/lumo/ActivationHelpers.hpp"
#include "platform/lumo/CollectingOutputRange.hpp"
#include "platform/lumo/LocaleSpecHelpers.hpp"
#include "platform/lumo/ProtocolCategory.hpp"
#include "platform/lumo/RequestIdHelper.hpp"
#include "transport/http/ApiAnswerWriter.hpp"
#include "transport/http/TransportErrorValues.hpp"

namespace Lumo::Transport::Http {

AsyncTransactionProtocolHandler::AsyncTransactionProtocolHandler(
    std::shared_ptr<Core::AsyncApiProvider> provider, std::shared_ptr<const L10n::Localizer> localizer,
    ProtocolHandlerSpec spec, std::vector<Provider::JsonRpc1_1::ContextUpdater> updaters)
    : provider_(std::move(provider)),
      localizer_(std::move(localizer)),
      spec_(std::move(spec)),
      updaters_(std::move(updaters))
{
}

void AsyncTransactionProtocolHandler::HandleRequest(const std::shared_ptr<TransactionChannel>& channel,
                                                    std::shared_ptr<const RequestSpec> spec,
                                                    const HeaderFields& headers, std::string_view body,
                                                    const std::optional<PeerInfo>& peer) const
{
    auto decoded = spec->requestDecoder->Deserialize(body);
    if (!decoded.Ok()) {
        SendDecoderError(channel, *spec, decoded.error);
        return;
    }
    Protocol::Json::JsonApiRequest& request = *decoded.request;
    if (peer) {
        Core::ActivationHelpers::SetPeerTcpBindingInfo(request.executionContext, peer->address, peer->port);
    }
    if (!Provider::JsonRpc1_1::UpdateExecutionCtxHelper::Update(headers, request.method,
                                                                request.executionContext, updaters_)) {
        channel->EndExchange(TransportErrorValues::ProtocolError(
            make_error_code(Provider::ProtocolError::kOperationIdMismatch)));
        return;
    }

    auto activation = Core::AsyncActivation::GetInstance(std::move(request.executionContext));
    RequestIdHelper::Set(*activation, request.requestId);
    L10n::LocaleSpec locale;
    if (const std::error_code ec =
            L10n::LocaleSpecHelpers::ExtractLocaleSpec(activation->executionContext, headers, locale)) {
        // The call still runs; its messages stay in the default locale.
        Log::Write(channel->GetLogger(), Log::kDebug, "Locale of request ", channel->LogId(),
                   " not used: ", ec.message());
    } else if (localizer_ != nullptr) {
        activation->requestLocalizer = L10n::RequestLocalizer(localizer_, locale.locale);
    }

    auto writer = ApiAnswerWriter::Create(channel, std::move(spec), spec_.errToHeaders, request.requestId);
    try {
        provider_->Invoke(request.method, request.input, std::move(activation),
                          [writer](Core::MethodResult result) { writer->Deliver(std::move(result)); });
    } catch (const std::exception& e) {
        // Providers answer through the callback; one that throws still gets its client an answer.
        Log::Write(channel->GetLogger(), Log::kError, "Provider threw for ", channel->LogId(), ": ",
                   e.what());
        writer->Deliver(Core::MethodResult::GetErrorInstance());
    }
}

void AsyncTransactionProtocolHandler::SendDecoderError(const std::shared_ptr<TransactionChannel>& channel,
                                                       const RequestSpec& spec,
                                                       const Data::ErrorValuePtr& error) const
{
    Protocol::Json::CollectingOutputRange out;
    Data::ErrorValuePtr encodeError;
    spec.responseEncoder->SerializeError(*error, out, encodeError);
    if (encodeError != nullptr) {
        channel->EndExchange(std::move(encodeError));
        return;
    }
    channel->SendWhole(spec_.errToHeaders(error, {spec.acceptKind, spec.keepAlive}), out.Joined(),
                       [channel](const boost::system::error_code& ec) {
                           if (ec) {
                               Log::Write(channel->GetLogger(), Log::kDebug,
                                          "Failed to sent Deserializer error ", channel->LogId(),
                                          " Error: ", ec.message());
                               channel->EndExchange(TransportErrorValues::SendFailed(ec));
                               return;
                           }
                           Log::Write(channel->GetLogger(), Log::kDebug,
                                      "Response head sent (Deserializer error): ", channel->LogId());
                           channel->EndExchange(nullptr);
                       });
}

}  // namespace Lumo::Transport::Http
