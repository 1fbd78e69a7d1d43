#include "platform/lumo/JsonApiSerializerBase.hpp"

#include <rapidjson/document.h>

#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/JsonRpcErrors.hpp"
#include "platform/lumo/VoidValue.hpp"

namespace Lumo::Protocol::Json {

namespace {

constexpr std::string_view kNullId = "null";

// An answer must never carry an id that is not one JSON scalar: whatever the caller passes
// is written into the envelope verbatim.
bool IsRequestIdText(std::string_view text)
{
    rapidjson::Document id;
    id.Parse<rapidjson::kParseValidateEncodingFlag>(text.data(), text.size());
    return !id.HasParseError() && (id.IsString() || id.IsNumber() || id.IsNull());
}

Data::ErrorValuePtr BadRequestId(std::string_view text)
{
    return Data::ErrorFactory::GetError(
        Com::Orvane::Lumo::Std::Errors::InternalServerError,
        {BaseMessage("lumo.jsonrpc.invalid.id", "The request id {1} is not a JSON string, number or null.",
                     {std::string(text.substr(0, 64))})},
        L10n::RequestLocalizer());
}

void StartEnvelope(JsonWriter& writer, std::string_view idText)
{
    writer.StartObject();
    writer.Key("jsonrpc");
    writer.String("2.0");
    writer.Key("id");
    writer.RawValue(idText.data(), idText.size(), rapidjson::kStringType);
}

void Finish(rapidjson::StringBuffer& buffer, bool lineEnd, OutputRange& out)
{
    if (lineEnd) {
        buffer.Put('\n');
    }
    out.Put(OutputPiece(std::move(buffer)));
}

}  // namespace

void JsonApiSerializerBase::SerializeInvoke(std::string_view requestIdText, const Core::MethodResult& result,
                                            OutputRange& out, Data::ErrorValuePtr& errOut,
                                            bool streaming) const
{
    std::string_view idText = requestIdText.empty() ? kNullId : requestIdText;
    if (!IsRequestIdText(idText)) {
        errOut = BadRequestId(idText);
        return;
    }
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    StartEnvelope(writer, idText);
    if (result.IsError()) {
        writer.Key("error");
        WriteErrorMember(*result.Error(), writer);
    } else {
        writer.Key("result");
        if (result.Native() != nullptr) {
            WriteNative(*result.Native(), writer);
        } else {
            const auto& output = result.Output();
            WriteValue(output != nullptr ? *output : *Data::VoidValue::GetInstance(), writer);
        }
    }
    writer.EndObject();
    Finish(buffer, streaming, out);
}

void JsonApiSerializerBase::SerializeInvokeProgress(std::string_view requestIdText,
                                                    const Data::DataValuePtr& progress, OutputRange& out,
                                                    Data::ErrorValuePtr& errOut) const
{
    std::string_view idText = requestIdText.empty() ? kNullId : requestIdText;
    if (!IsRequestIdText(idText)) {
        errOut = BadRequestId(idText);
        return;
    }
    // A JSON-RPC notification (no "id" of its own) that names the request it belongs to.
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartObject();
    writer.Key("jsonrpc");
    writer.String("2.0");
    writer.Key("method");
    writer.String("progress");
    writer.Key("params");
    writer.StartObject();
    writer.Key("id");
    writer.RawValue(idText.data(), idText.size(), rapidjson::kStringType);
    writer.Key("progress");
    WriteValue(progress != nullptr ? *progress : *Data::VoidValue::GetInstance(), writer);
    writer.EndObject();
    writer.EndObject();
    Finish(buffer, true, out);
}

void JsonApiSerializerBase::SerializeError(const Data::ErrorValue& error, OutputRange& out,
                                           Data::ErrorValuePtr& /*errOut*/) const
{
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    StartEnvelope(writer, kNullId);
    writer.Key("error");
    WriteErrorMember(error, writer);
    writer.EndObject();
    Finish(buffer, false, out);
}

void JsonApiSerializerBase::WriteErrorMember(const Data::ErrorValue& error, JsonWriter& writer) const
{
    writer.StartObject();
    writer.Key("code");
    writer.Int64(JsonRpcErrors::CodeOf(error));
    writer.Key("message");
    writer.Text(JsonRpcErrors::MessageOf(error));
    writer.Key("data");
    WriteValue(error, writer);
    writer.EndObject();
}

}  // namespace Lumo::Protocol::Json
