#include "platform/lumo/JsonApiRequestDeserializer.hpp"

#include <rapidjson/document.h>

#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/JsonErrors.hpp"
#include "platform/lumo/JsonParser.hpp"
#include "platform/lumo/JsonRpcErrors.hpp"
#include "platform/lumo/JsonWriter.hpp"
#include "platform/lumo/StructValue.hpp"
#include "platform/lumo/UserPassSecurityContextReader.hpp"

namespace Lumo::Protocol::Json {

namespace {

using Core::ExecutionContext;
using Core::SecurityContextWrappedEntry;
using Core::UserPassSecurityContextReader;

constexpr std::string_view kTicketKey = "ticket";
// The signed token of hosts that authenticate by token.
constexpr std::string_view kBearerTokenKey = "bearerToken";

// Client text quoted in an error message is cut, so a hostile request cannot make the
// answer (and the log line) as large as itself.
std::string Quoted(std::string_view text)
{
    constexpr size_t kMaxQuoted = 64;
    std::string quoted = "\"";
    quoted.append(text.substr(0, kMaxQuoted));
    if (text.size() > kMaxQuoted) {
        quoted += "...";
    }
    quoted += "\"";
    return quoted;
}


bool IsIdentifierChar(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; }

// Non-empty runs of [a-z0-9_] separated by single dots (dots only when `dotted`).
bool IsIdentifier(std::string_view text, bool dotted)
{
    if (text.empty() || text.front() == '.' || text.back() == '.') {
        return false;
    }
    char previous = '\0';
    for (char c : text) {
        if (c == '.') {
            if (!dotted || previous == '.') {
                return false;
            }
        } else if (!IsIdentifierChar(c)) {
            return false;
        }
        previous = c;
    }
    return true;
}

// "com.orvane.hub.tasks.get" → ("com.orvane.hub.tasks", "get"): operation ids never contain
// a dot, so the last dot separates the two.
std::optional<Core::MethodIdentifier> SplitMethod(std::string_view method)
{
    size_t dot = method.rfind('.');
    if (dot == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view service = method.substr(0, dot);
    std::string_view operation = method.substr(dot + 1);
    if (!IsIdentifier(service, true) || !IsIdentifier(operation, false)) {
        return std::nullopt;
    }
    return Core::MethodIdentifier(std::string(service), std::string(operation));
}

// The id as the JSON text that the answer echoes.
std::string IdText(const rapidjson::Value& id)
{
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    id.Accept(writer);
    return {buffer.GetString(), buffer.GetSize()};
}

Data::ErrorValuePtr CheckNoDuplicates(const rapidjson::Value& object, std::string_view where)
{
    if (auto duplicate = JsonParser::FindDuplicateKey(object)) {
        return JsonRpcErrors::InvalidRequest("member " + Quoted(*duplicate) + " occurs twice in " +
                                             std::string(where));
    }
    return nullptr;
}

Data::ErrorValuePtr ReadApplicationContext(const rapidjson::Value& json,
                                           ExecutionContext::ApplicationContext& out)
{
    if (!json.IsObject()) {
        return JsonRpcErrors::InvalidContext("\"appCtx\" must be an object");
    }
    if (auto duplicate = JsonParser::FindDuplicateKey(json)) {
        return JsonRpcErrors::InvalidContext("\"appCtx\" names " + Quoted(*duplicate) + " twice");
    }
    for (const auto& entry : json.GetObject()) {
        std::string_view key = View(entry.name);
        if (key.empty()) {
            return JsonRpcErrors::InvalidContext("\"appCtx\" has an empty key");
        }
        if (!entry.value.IsString()) {
            return JsonRpcErrors::InvalidContext("\"appCtx\" entry " + Quoted(key) + " must be a string");
        }
        out.emplace(std::string(key), std::string(View(entry.value)));
    }
    return nullptr;
}

Data::ErrorValuePtr ReadSecurityContext(const rapidjson::Value& json, ExecutionContext::SecurityContext& out)
{
    if (!json.IsObject()) {
        return JsonRpcErrors::InvalidContext("\"securityCtx\" must be an object");
    }
    if (auto duplicate = JsonParser::FindDuplicateKey(json)) {
        return JsonRpcErrors::InvalidContext("\"securityCtx\" names " + Quoted(*duplicate) + " twice");
    }
    std::optional<std::string> userName;
    std::optional<std::string> password;
    std::optional<std::string> ticket;
    std::optional<std::string> bearerToken;
    for (const auto& entry : json.GetObject()) {
        std::string_view key = View(entry.name);
        std::optional<std::string>* slot = key == UserPassSecurityContextReader::kUserNameKey   ? &userName
                                           : key == UserPassSecurityContextReader::kPasswordKey ? &password
                                           : key == kTicketKey                                  ? &ticket
                                           : key == kBearerTokenKey                             ? &bearerToken
                                                                                                : nullptr;
        if (slot == nullptr) {
            return JsonRpcErrors::InvalidContext("unknown \"securityCtx\" entry " + Quoted(key));
        }
        if (!entry.value.IsString()) {
            return JsonRpcErrors::InvalidContext("\"securityCtx\" entry " + Quoted(key) +
                                                 " must be a string");
        }
        *slot = std::string(View(entry.value));
    }
    if (ticket && (userName || password)) {
        return JsonRpcErrors::InvalidContext("a \"ticket\" replaces \"userName\" and \"password\"");
    }
    // A lifecycle ticket travels as both user name and password; being a credential, both
    // entries are secret.
    if (ticket) {
        out.insert_or_assign(UserPassSecurityContextReader::kUserNameKey,
                             SecurityContextWrappedEntry::Secret(*ticket));
        out.insert_or_assign(UserPassSecurityContextReader::kPasswordKey,
                             SecurityContextWrappedEntry::Secret(std::move(*ticket)));
    }
    if (userName) {
        out.insert_or_assign(UserPassSecurityContextReader::kUserNameKey,
                             SecurityContextWrappedEntry::Plain(std::move(*userName)));
    }
    if (password) {
        out.insert_or_assign(UserPassSecurityContextReader::kPasswordKey,
                             SecurityContextWrappedEntry::Secret(std::move(*password)));
    }
    if (bearerToken) {
        out.insert_or_assign(std::string(kBearerTokenKey), SecurityContextWrappedEntry::Secret(std::move(*bearerToken)));
    }
    return nullptr;
}

Data::ErrorValuePtr ReadContext(const rapidjson::Value& json, ExecutionContext& context)
{
    if (!json.IsObject()) {
        return JsonRpcErrors::InvalidContext("it must be an object");
    }
    if (auto duplicate = JsonParser::FindDuplicateKey(json)) {
        return JsonRpcErrors::InvalidContext("member " + Quoted(*duplicate) + " occurs twice");
    }
    for (const auto& member : json.GetObject()) {
        std::string_view name = View(member.name);
        Data::ErrorValuePtr error;
        if (name == "appCtx") {
            error = ReadApplicationContext(member.value, context.applicationContext);
        } else if (name == "securityCtx") {
            error = ReadSecurityContext(member.value, context.securityContext);
        } else {
            error = JsonRpcErrors::InvalidContext("unknown member " + Quoted(name));
        }
        if (error != nullptr) {
            return error;
        }
    }
    return nullptr;
}

// Reads "params" (an object, or null for none) into the input and the execution context.
// The document is the decoder's own, so "__ctx" is erased in place before the rest is
// decoded as the input.
Data::ErrorValuePtr ReadParams(rapidjson::Value& params, JsonApiRequest& request)
{
    if (params.IsNull()) {
        request.input = Data::StructValue::Create("");
        return nullptr;
    }
    if (!params.IsObject()) {
        return JsonRpcErrors::InvalidRequest("member \"params\" must be an object of named parameters");
    }
    // Checked before "__ctx" is taken out: a second "__ctx" must not slip in as a parameter.
    if (auto error = CheckNoDuplicates(params, "\"params\"")) {
        return error;
    }
    auto context = params.FindMember(rapidjson::StringRef(JsonApiRequestDeserializer::kContextMember.data(),
                                                          JsonApiRequestDeserializer::kContextMember.size()));
    if (context != params.MemberEnd()) {
        if (auto error = ReadContext(context->value, request.executionContext)) {
            return error;
        }
        params.EraseMember(context);  // keeps the order of the parameters
    }
    JsonDecodeResult input = DirectJsonCodec::FromJson(params);
    if (!input.Ok()) {
        return input.error;
    }
    request.input = std::move(input.value);
    return nullptr;
}

Data::ErrorValuePtr ReadEnvelope(rapidjson::Document& document, JsonApiRequest& request)
{
    if (document.IsArray()) {
        return JsonRpcErrors::InvalidRequest("batch requests are not supported");
    }
    if (!document.IsObject()) {
        return JsonRpcErrors::InvalidRequest("the request is not a JSON object");
    }
    if (auto error = CheckNoDuplicates(document, "the request")) {
        return error;
    }
    bool hasVersion = false;
    bool hasMethod = false;
    rapidjson::Value* params = nullptr;
    for (auto& member : document.GetObject()) {
        std::string_view name = View(member.name);
        rapidjson::Value& value = member.value;
        if (name == "jsonrpc") {
            if (!value.IsString() || View(value) != "2.0") {
                return JsonRpcErrors::InvalidRequest("member \"jsonrpc\" must be \"2.0\"");
            }
            hasVersion = true;
        } else if (name == "id") {
            if (!value.IsString() && !value.IsNumber() && !value.IsNull()) {
                return JsonRpcErrors::InvalidRequest("member \"id\" must be a string, a number or null");
            }
            request.requestId = IdText(value);
        } else if (name == "method") {
            if (!value.IsString()) {
                return JsonRpcErrors::InvalidRequest("member \"method\" must be a string");
            }
            auto method = SplitMethod(View(value));
            if (!method) {
                return JsonRpcErrors::InvalidMethod(View(value).substr(0, 256));
            }
            request.method = std::move(*method);
            hasMethod = true;
        } else if (name == "params") {
            params = &value;
        } else {
            return JsonRpcErrors::InvalidRequest("unknown member " + Quoted(name));
        }
    }
    if (!hasVersion) {
        return JsonRpcErrors::InvalidRequest("member \"jsonrpc\" must be \"2.0\"");
    }
    if (!hasMethod) {
        return JsonRpcErrors::InvalidRequest("member \"method\" is missing");
    }
    rapidjson::Value none;
    return ReadParams(params != nullptr ? *params : none, request);
}

}  // namespace

JsonApiRequestDeserializer::Result JsonApiRequestDeserializer::Deserialize(std::string_view body) const
{
    // JSON text never holds a raw NUL byte, and the parser would take one for the end of the
    // text, accepting whatever follows it.
    if (size_t nul = body.find('\0'); nul != std::string_view::npos) {
        return {std::nullopt, JsonErrors::Malformed(nul, "NUL byte in the text")};
    }
    rapidjson::Document document;
    if (auto error = JsonParser::Parse(body, document)) {
        return {std::nullopt, std::move(error)};
    }
    JsonApiRequest request;
    if (auto error = ReadEnvelope(document, request)) {
        return {std::nullopt, std::move(error)};
    }
    return {std::move(request), nullptr};
}

}  // namespace Lumo::Protocol::Json
