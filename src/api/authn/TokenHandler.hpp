// Tarn::Authn::TokenHandler: authentication on a data-processing-unit host by a signed
// token: the claims (user, entitlements, expiry) in base64 JSON, a ".", and the base64
// HMAC-SHA256 of the claims text under the host's token key.
//
// Shared by the authentication filter; reads the key file for each call so a new key takes
// effect at once. Thread-safe (no state besides the logger, which is thread-safe).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "api/authn/AuthnHandler.hpp"
#include "platform/lumo/Logger.hpp"

namespace Tarn::Authn {

class TokenHandler : public Lumo::Authn::AuthnHandler {
public:
    static constexpr const char* kKeyPath = "/etc/orvane/hostprefd/token.key";
    // The security-context entry that carries the token.
    static constexpr const char* kTokenKey = "bearerToken";
    // Shorter keys are refused: HMAC-SHA256 wants at least its output size.
    static constexpr size_t kMinKeyBytes = 32;
    static constexpr const char* kInvalidTokenId = "com.orvane.tarn.authn.token.invalid";
    static constexpr const char* kInvalidTokenText = "Invalid or expired token";

    // What a token asserts.
    struct Claims {
        std::string user;
        std::set<std::string, std::less<>> entitlements;
        int64_t expiresAt = 0;  // seconds since the epoch; the token is invalid from then on
    };

    explicit TokenHandler(std::shared_ptr<Lumo::Log::Logger> logger) : logger_(std::move(logger)) {}

    void Authenticate(std::shared_ptr<Lumo::Core::AsyncActivation> activation,
                      const Lumo::Core::ExecutionContext::SecurityContext& securityContext,
                      Completion done) override;

    bool HasCredentials(const Lumo::Core::ExecutionContext::SecurityContext& securityContext) const override;

    // A token for `claims` signed with `key` (for the host's token issuer and tests).
    static std::string Issue(const Claims& claims, std::string_view key);

    // The claims of `token` when its signature under `key` is right and it has not expired
    // at `now` (seconds since the epoch); otherwise nullopt and `why` says what was wrong.
    static std::optional<Claims> Verify(std::string_view token, std::string_view key, int64_t now,
                                        std::string& why);

    // The key bytes from kKeyPath below the host root, or nullopt when missing or too short.
    static std::optional<std::string> ReadKey();

private:
    std::shared_ptr<Lumo::Log::Logger> logger_;
};

}  // namespace Tarn::Authn
