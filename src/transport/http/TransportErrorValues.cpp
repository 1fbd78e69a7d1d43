#include "transport/http/TransportErrorValues.hpp"

#include <string>

#include "platform/lumo/FrameworkMessages.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/RequestLocalizer.hpp"
#include "platform/lumo/ScalarValue.hpp"

namespace Lumo::Transport::Http {
namespace {

Data::ErrorValuePtr SystemError(std::string_view messageId, const boost::system::error_code& ec)
{
    const BaseMessage message = FrameworkMessages::Make(std::string(messageId), {ec.message()});
    const L10n::RequestLocalizer localizer;
    return Data::ErrorValue::Create(
        std::string(TransportErrorValues::kSystemError),
        {Com::Orvane::Lumo::Std::LocalizableMessage::Render(message, localizer).ToValue()});
}

}  // namespace

Data::ErrorValuePtr TransportErrorValues::RecvFailed(const boost::system::error_code& ec)
{
    return SystemError(kRecvFailed, ec);
}

Data::ErrorValuePtr TransportErrorValues::SendFailed(const boost::system::error_code& ec)
{
    return SystemError(kSendFailed, ec);
}

Data::ErrorValuePtr TransportErrorValues::InvalidRequest()
{
    return Data::ErrorValue::GetInstance(std::string(kInvalidRequest));
}

Data::ErrorValuePtr TransportErrorValues::ProtocolError(const std::error_code& ec)
{
    auto error = Data::ErrorValue::GetInstance(std::string(kProtocolError));
    error->SetField("code", Data::IntegerValue::Create(ec.value()));
    error->SetField("message", Data::StringValue::Create(ec.message()));
    return error;
}

}  // namespace Lumo::Transport::Http
