#include "api/authn/TokenHandler.hpp"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "platform/host/HostRoot.hpp"
#include "platform/lumo/Base64.hpp"
#include "platform/lumo/ErrorFactory.hpp"

namespace Tarn::Authn {

namespace {

using Lumo::Protocol::Json::Base64;

std::vector<uint8_t> Sign(std::string_view text, std::string_view key)
{
    std::vector<uint8_t> mac(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    if (HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
             reinterpret_cast<const uint8_t*>(text.data()), text.size(), mac.data(), &length) == nullptr) {
        return {};
    }
    mac.resize(length);
    return mac;
}

std::string ClaimsJson(const TokenHandler::Claims& claims)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("user");
    writer.String(claims.user);
    writer.Key("entitlements");
    writer.StartArray();
    for (const auto& entitlement : claims.entitlements) {
        writer.String(entitlement);
    }
    writer.EndArray();
    writer.Key("exp");
    writer.Int64(claims.expiresAt);
    writer.EndObject();
    return buffer.GetString();
}

std::optional<TokenHandler::Claims> ParseClaims(const std::vector<uint8_t>& json)
{
    rapidjson::Document doc;
    doc.Parse(reinterpret_cast<const char*>(json.data()), json.size());
    if (doc.HasParseError() || !doc.IsObject() || !doc.HasMember("user") || !doc["user"].IsString() ||
        !doc.HasMember("exp") || !doc["exp"].IsInt64() || !doc.HasMember("entitlements") ||
        !doc["entitlements"].IsArray()) {
        return std::nullopt;
    }
    TokenHandler::Claims claims;
    claims.user = doc["user"].GetString();
    claims.expiresAt = doc["exp"].GetInt64();
    for (const auto& entitlement : doc["entitlements"].GetArray()) {
        if (!entitlement.IsString()) {
            return std::nullopt;
        }
        claims.entitlements.emplace(entitlement.GetString());
    }
    return claims;
}

int64_t Now()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

bool TokenHandler::HasCredentials(const Lumo::Core::ExecutionContext::SecurityContext& securityContext) const
{
    return securityContext.contains(kTokenKey);
}

std::string TokenHandler::Issue(const Claims& claims, std::string_view key)
{
    std::string json = ClaimsJson(claims);
    std::string payload = Base64::Encode(std::vector<uint8_t>(json.begin(), json.end()));
    return payload + "." + Base64::Encode(Sign(payload, key));
}

std::optional<TokenHandler::Claims> TokenHandler::Verify(std::string_view token, std::string_view key,
                                                         int64_t now, std::string& why)
{
    size_t dot = token.find('.');
    if (dot == std::string_view::npos) {
        why = "malformed token";
        return std::nullopt;
    }
    std::string_view payload = token.substr(0, dot);
    auto signature = Base64::Decode(token.substr(dot + 1));
    std::vector<uint8_t> expected = Sign(payload, key);
    // Compared in constant time, so the time taken tells nothing about a forged signature.
    if (!signature || expected.empty() || signature->size() != expected.size() ||
        CRYPTO_memcmp(signature->data(), expected.data(), expected.size()) != 0) {
        why = "bad signature";
        return std::nullopt;
    }
    auto json = Base64::Decode(payload);
    std::optional<Claims> claims = json ? ParseClaims(*json) : std::nullopt;
    if (!claims || claims->user.empty()) {
        why = "unreadable claims";
        return std::nullopt;
    }
    if (now >= claims->expiresAt) {
        why = "expired";
        return std::nullopt;
    }
    return claims;
}

std::optional<std::string> TokenHandler::ReadKey()
{
    std::ifstream in(HostRoot::Path(kKeyPath), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string key((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || key.size() < kMinKeyBytes) {
        return std::nullopt;
    }
    return key;
}

void TokenHandler::Authenticate(std::shared_ptr<Lumo::Core::AsyncActivation>,
                                const Lumo::Core::ExecutionContext::SecurityContext& securityContext,
                                Completion done)
{
    std::string why;
    std::optional<Claims> claims;
    auto token = securityContext.find(kTokenKey);
    if (token == securityContext.end()) {
        why = "no token";
    } else if (auto key = ReadKey()) {
        claims = Verify(token->second.Text(), *key, Now(), why);
    } else {
        why = std::string("no usable key at ") + kKeyPath;
    }
    if (!claims) {
        Lumo::Log::Write(logger_.get(), Lumo::Log::kError, "Token authentication failed: ", why);
        done(Lumo::Authn::AuthnOutcome::Failure(Lumo::Data::ErrorFactory::GetError(
            Com::Orvane::Lumo::Std::Errors::Unauthenticated,
            {Lumo::BaseMessage(kInvalidTokenId, kInvalidTokenText)}, Lumo::L10n::RequestLocalizer())));
        return;
    }
    done(Lumo::Authn::AuthnOutcome::Success({std::move(claims->user), std::move(claims->entitlements)}));
}

}  // namespace Tarn::Authn
