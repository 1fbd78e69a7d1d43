#include "platform/lumo/UpdateExecutionCtxHelper.hpp"

#include <optional>
#include <string>

#include "platform/lumo/Base64.hpp"
#include "platform/lumo/UserPassSecurityContextReader.hpp"

namespace Lumo::Provider::JsonRpc1_1 {

namespace {

using Core::ExecutionContext;
using Core::SecurityContextWrappedEntry;
using Core::UserPassSecurityContextReader;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view lowerPrefix)
{
    if (text.size() < lowerPrefix.size()) {
        return false;
    }
    for (size_t i = 0; i < lowerPrefix.size(); ++i) {
        if (Lower(text[i]) != lowerPrefix[i]) {
            return false;
        }
    }
    return true;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lower)
{
    return text.size() == lower.size() && StartsWithIgnoringCase(text, lower);
}


// The operation id rule: a header may supply the id the payload left out, but never one
// that differs from it (nor two that differ from each other).
bool ApplyOperationId(const HeaderFields& headers, ExecutionContext::ApplicationContext& context)
{
    std::optional<std::string_view> fromHeader;
    for (const auto& header : headers) {
        if (!EqualsIgnoringCase(header.name, UpdateExecutionCtxHelper::kOperationIdHeader)) {
            continue;
        }
        if (fromHeader && *fromHeader != header.value) {
            return false;
        }
        fromHeader = header.value;
    }
    if (!fromHeader) {
        return true;
    }
    auto payload = context.find(ExecutionContext::kOpIdKey);
    if (payload != context.end()) {
        return payload->second == *fromHeader;
    }
    context.emplace(ExecutionContext::kOpIdKey, std::string(*fromHeader));
    return true;
}

// "lumo-ctx-<key>" fills application context entries the payload did not set; of repeated
// headers the first counts.
void ApplyContextHeaders(const HeaderFields& headers, ExecutionContext::ApplicationContext& context)
{
    constexpr std::string_view prefix = UpdateExecutionCtxHelper::kContextHeaderPrefix;
    for (const auto& header : headers) {
        if (!StartsWithIgnoringCase(header.name, prefix) || header.name.size() == prefix.size()) {
            continue;
        }
        std::string_view key = header.name.substr(prefix.size());
        if (context.find(key) == context.end()) {
            context.emplace(std::string(key), std::string(header.value));
        }
    }
}

// The user name and password of an "Authorization: Basic" value, or nullopt when the value
// is of another scheme or malformed (base64 not strict, or no colon after decoding).
std::optional<std::pair<std::string, std::string>> DecodeBasic(std::string_view value)
{
    value = TrimOptionalWhitespace(value);
    constexpr std::string_view scheme = "basic";
    if (!StartsWithIgnoringCase(value, scheme) || value.size() == scheme.size() ||
        (value[scheme.size()] != ' ' && value[scheme.size()] != '\t')) {
        return std::nullopt;
    }
    auto bytes = Protocol::Json::Base64::Decode(TrimOptionalWhitespace(value.substr(scheme.size())));
    if (!bytes) {
        return std::nullopt;
    }
    std::string_view decoded(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    size_t colon = decoded.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    return std::make_pair(std::string(decoded.substr(0, colon)), std::string(decoded.substr(colon + 1)));
}

// HTTP Basic credentials are used only when the payload carries none. A malformed header
// adds nothing, so the call reaches authentication without credentials and is refused there.
void ApplyBasicAuthorization(const HeaderFields& headers, ExecutionContext::SecurityContext& context)
{
    if (context.contains(UserPassSecurityContextReader::kUserNameKey) ||
        context.contains(UserPassSecurityContextReader::kPasswordKey)) {
        return;
    }
    for (const auto& header : headers) {
        if (!EqualsIgnoringCase(header.name, UpdateExecutionCtxHelper::kAuthorizationHeader)) {
            continue;
        }
        if (auto credentials = DecodeBasic(header.value)) {
            context.emplace(UserPassSecurityContextReader::kUserNameKey,
                            SecurityContextWrappedEntry::Plain(std::move(credentials->first)));
            context.emplace(UserPassSecurityContextReader::kPasswordKey,
                            SecurityContextWrappedEntry::Secret(std::move(credentials->second)));
        }
        return;  // only the first Authorization header is considered
    }
}

}  // namespace

bool UpdateExecutionCtxHelper::Update(const HeaderFields& headers, const Core::MethodIdentifier& method,
                                      Core::ExecutionContext& context,
                                      const std::vector<ContextUpdater>& updaters)
{
    if (!ApplyOperationId(headers, context.applicationContext)) {
        return false;
    }
    ApplyContextHeaders(headers, context.applicationContext);
    ApplyBasicAuthorization(headers, context.securityContext);
    for (const auto& updater : updaters) {
        if (updater && !updater(headers, method, context)) {
            return false;
        }
    }
    return true;
}

}  // namespace Lumo::Provider::JsonRpc1_1
