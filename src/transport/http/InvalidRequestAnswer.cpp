#include "transport/http/InvalidRequestAnswer.hpp"

#include <utility>

#include "platform/lumo/CollectingOutputRange.hpp"
#include "platform/lumo/FrameworkMessages.hpp"
#include "platform/lumo/JsonApiResponseSerializer.hpp"
#include "platform/lumo/LocalizableMessageHelpers.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "transport/http/TransportErrorValues.hpp"
#include "transport/protocol/ProtocolHandlerSpec.hpp"

namespace Lumo::Transport::Http {
namespace {

Data::ErrorValuePtr MakeError(std::string name, std::string messageId, std::vector<std::string> args)
{
    const BaseMessage message = FrameworkMessages::Make(std::move(messageId), std::move(args));
    std::string text;
    // A default text that cannot take its arguments is still sent as far as it formats.
    (void)L10n::LocalizableMessageHelpers::formatMessage(message.DefaultMessage(), message.Args(), text);
    auto error = Data::ErrorValue::GetInstance(std::move(name));
    error->SetField("code", Data::IntegerValue::Create(400));
    error->SetField("message", Data::StringValue::Create(std::move(text)));
    return error;
}

}  // namespace

Data::ErrorValuePtr InvalidRequestAnswer::ChooseError(const RequestSpec& spec, std::uint64_t bodyLimit)
{
    if (spec.contentKind == 0) {
        return MakeError("invalid_content_type", "lumo.invalid.content.type", {spec.contentType});
    }
    if (spec.contentLength > bodyLimit) {
        return MakeError("request_exceeds_max_size", "lumo.request.exceeds.max.size", {});
    }
    return MakeError("invalid_request", "lumo.invalid.request", {});
}

void InvalidRequestAnswer::Send(const std::shared_ptr<TransactionChannel>& channel, const RequestSpec& spec,
                                std::uint64_t bodyLimit, Data::ErrorValuePtr outcome)
{
    if (outcome == nullptr) {
        outcome = TransportErrorValues::InvalidRequest();
    }
    // The tagged form whatever Accept said: the client may have named nothing usable.
    const Protocol::Json::JsonApiResponseSerializer encoder;
    Protocol::Json::CollectingOutputRange out;
    Data::ErrorValuePtr encodeError;
    encoder.SerializeError(*ChooseError(spec, bodyLimit), out, encodeError);
    channel->SendWhole(ProtocolHandlerSpec::BadRequestHeaders(), out.Joined(),
                       [channel, outcome = std::move(outcome)](const boost::system::error_code& ec) {
                           if (ec) {
                               Log::Write(channel->GetLogger(), Log::kDebug,
                                          "Failed to send InvalidRequest response:", channel->LogId(), " ",
                                          ec.message());
                           } else {
                               Log::Write(channel->GetLogger(), Log::kDebug,
                                          "Sent InvalidRequest response:", channel->LogId());
                           }
                           channel->EndExchange(outcome);
                       });
}

}  // namespace Lumo::Transport::Http
