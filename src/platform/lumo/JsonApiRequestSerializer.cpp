#include "platform/lumo/JsonApiRequestSerializer.hpp"

#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/JsonApiRequestDeserializer.hpp"
#include "platform/lumo/JsonWriter.hpp"
#include "platform/lumo/StructValue.hpp"
#include "platform/lumo/UserPassSecurityContextReader.hpp"

namespace Lumo::Protocol::Json {

namespace {

using Core::ExecutionContext;
using Core::UserPassSecurityContextReader;

void WriteSecurityContext(const ExecutionContext::SecurityContext& context, JsonWriter& writer)
{
    auto userName = context.find(UserPassSecurityContextReader::kUserNameKey);
    auto password = context.find(UserPassSecurityContextReader::kPasswordKey);
    writer.StartObject();
    // The decoder turns a ticket into two secret entries of equal text; only that shape
    // is written back as a ticket.
    bool ticket = userName != context.end() && password != context.end() && userName->second.IsSecret() &&
                  userName->second.Text() == password->second.Text();
    if (ticket) {
        writer.Text("ticket");
        writer.Text(userName->second.Text());
    } else {
        if (userName != context.end()) {
            writer.Text(UserPassSecurityContextReader::kUserNameKey);
            writer.Text(userName->second.Text());
        }
        if (password != context.end()) {
            writer.Text(UserPassSecurityContextReader::kPasswordKey);
            writer.Text(password->second.Text());
        }
    }
    writer.EndObject();
}

bool HasCredentials(const ExecutionContext::SecurityContext& context)
{
    return context.contains(UserPassSecurityContextReader::kUserNameKey) ||
           context.contains(UserPassSecurityContextReader::kPasswordKey);
}

void WriteContext(const ExecutionContext& context, JsonWriter& writer)
{
    writer.StartObject();
    if (!context.applicationContext.empty()) {
        writer.Text("appCtx");
        writer.StartObject();
        for (const auto& [key, value] : context.applicationContext) {
            writer.Text(key);
            writer.Text(value);
        }
        writer.EndObject();
    }
    if (HasCredentials(context.securityContext)) {
        writer.Text("securityCtx");
        WriteSecurityContext(context.securityContext, writer);
    }
    writer.EndObject();
}

}  // namespace

std::string JsonApiRequestSerializer::Serialize(const JsonApiRequest& request)
{
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartObject();
    writer.Key("jsonrpc");
    writer.String("2.0");
    writer.Key("id");
    std::string_view id = request.requestId.empty() ? std::string_view("null") : request.requestId;
    writer.RawValue(id.data(), id.size(), rapidjson::kStringType);
    writer.Key("method");
    writer.Text(request.method.ToString());

    const auto* input = request.input != nullptr ? request.input->As<Data::StructValue>() : nullptr;
    const ExecutionContext& context = request.executionContext;
    bool hasContext = !context.applicationContext.empty() || HasCredentials(context.securityContext);
    if (input != nullptr || hasContext) {
        writer.Key("params");
        writer.StartObject();
        if (input != nullptr) {
            for (const auto& [name, value] : input->Fields()) {
                writer.Text(name);
                DirectJsonCodec::Write(*value, writer);
            }
        }
        if (hasContext) {
            std::string_view member = JsonApiRequestDeserializer::kContextMember;
            writer.Key(member.data(), static_cast<rapidjson::SizeType>(member.size()));
            WriteContext(context, writer);
        }
        writer.EndObject();
    }
    writer.EndObject();
    return {buffer.GetString(), buffer.GetSize()};
}

}  // namespace Lumo::Protocol::Json
