#include "platform/lumo/JsonRpcErrors.hpp"

#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"

namespace Lumo::Protocol::Json {

namespace {

using Com::Orvane::Lumo::Std::LocalizableMessage;

constexpr std::string_view kInvalidRequestId = "lumo.jsonrpc.invalid.request";
constexpr std::string_view kInvalidMethodId = "lumo.jsonrpc.invalid.method";
constexpr std::string_view kInvalidContextId = "lumo.jsonrpc.invalid.context";

Data::ErrorValuePtr InvalidArgument(std::string_view id, std::string_view text, std::string_view arg)
{
    return Data::ErrorFactory::GetError(Com::Orvane::Lumo::Std::Errors::InvalidArgument,
                                        {BaseMessage(std::string(id), std::string(text), {std::string(arg)})},
                                        L10n::RequestLocalizer());
}

// The first message of the error's "messages" list, if it is a well-formed message.
std::optional<LocalizableMessage> FirstMessage(const Data::ErrorValue& error)
{
    auto messages = Data::ValueCast<Data::ListValue>(error.GetField(Data::ErrorValue::kMessagesField));
    if (messages == nullptr || messages->Size() == 0) {
        return std::nullopt;
    }
    return LocalizableMessage::FromValue(*messages->Items().front());
}

}  // namespace

Data::ErrorValuePtr JsonRpcErrors::InvalidRequest(std::string_view reason)
{
    return InvalidArgument(kInvalidRequestId, "Invalid JSON-RPC 2.0 request: {1}", reason);
}

Data::ErrorValuePtr JsonRpcErrors::InvalidMethod(std::string_view method)
{
    return InvalidArgument(
        kInvalidMethodId, "Invalid method \"{1}\": expected a service id and an operation id joined by a dot",
        method);
}

Data::ErrorValuePtr JsonRpcErrors::InvalidContext(std::string_view reason)
{
    return InvalidArgument(kInvalidContextId, "Invalid execution context in params.__ctx: {1}", reason);
}

int64_t JsonRpcErrors::CodeOf(const Data::ErrorValue& error)
{
    namespace Errors = Com::Orvane::Lumo::Std::Errors;
    // The framework's own request errors keep their JSON-RPC meaning: a client library
    // reports them as what they are (unparsable, malformed envelope) rather than as a
    // failure of the operation.
    if (auto message = FirstMessage(error)) {
        const std::string& id = message->id;
        if (id == "lumo.json.malformed") {
            return kParseError;
        }
        if (id == kInvalidRequestId || id == kInvalidMethodId || id == "lumo.invalid.request" ||
            id == "lumo.invalid.content.type" || id == "lumo.request.exceeds.max.size") {
            return kInvalidRequest;
        }
    }
    const std::string& name = error.Name();
    if (name == "com.orvane.lumo.std.errors.operation_not_found") {
        return kMethodNotFound;
    }
    if (name == Errors::InvalidArgument.Name()) {
        return kInvalidParams;
    }
    if (name == Errors::InternalServerError.Name()) {
        return kInternalError;
    }
    return kServerError;
}

std::string JsonRpcErrors::MessageOf(const Data::ErrorValue& error)
{
    if (auto message = FirstMessage(error)) {
        if (!message->localized.empty()) {
            return message->localized;
        }
        if (!message->defaultMessage.empty()) {
            return message->defaultMessage;
        }
    }
    return error.Name();
}

}  // namespace Lumo::Protocol::Json
