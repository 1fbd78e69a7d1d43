// Signed tokens of the data-processing-unit host: what verifies, what is refused, and what
// a verified token gives the call.
#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>

#include "../ApiTestSupport.hpp"
#include "api/authn/AsyncAuthnFilter.hpp"
#include "api/authn/TokenHandler.hpp"

namespace {

using Tarn::Authn::TokenHandler;
namespace Core = Lumo::Core;

const std::string kKey = "0123456789abcdef0123456789abcdef-host-key";
constexpr int64_t kNow = 1'800'000'000;

TokenHandler::Claims Alice(int64_t expiresAt = kNow + 60)
{
    return {"alice", {"software.read", "software.write"}, expiresAt};
}

TEST(TokenVerifyTest, OnlyAnIntactTokenVerifiesAndOnlyUntilItExpires)
{
    std::string why;
    std::string token = TokenHandler::Issue(Alice(), kKey);
    auto claims = TokenHandler::Verify(token, kKey, kNow + 59, why);
    ASSERT_TRUE(claims.has_value()) << why;
    EXPECT_EQ(claims->user, "alice");
    EXPECT_EQ(claims->entitlements, Alice().entitlements);
    EXPECT_FALSE(TokenHandler::Verify(token, kKey, kNow + 60, why).has_value());
    EXPECT_EQ(why, "expired");

    // Forged or damaged tokens are refused.
    size_t dot = token.find('.');
    // Claims of another token (more rights, later expiry) under this token's signature.
    TokenHandler::Claims greedy{"alice", {"software.read", "software.write", "admin"}, kNow + 86400};
    std::string other = TokenHandler::Issue(greedy, kKey);
    std::string spliced = other.substr(0, other.find('.')) + token.substr(dot);

    const std::string refused[] = {
        spliced,
        TokenHandler::Issue(Alice(), "another key of the same length, not ours"),
        token.substr(0, dot),                        // no signature
        token.substr(0, token.size() - 4) + "AAA=",  // signature cut
        token + "x",                                 // signature no longer base64
        "." + token.substr(dot + 1),                 // no claims
        "",
    };
    for (const auto& candidate : refused) {
        EXPECT_FALSE(TokenHandler::Verify(candidate, kKey, kNow, why).has_value()) << candidate;
    }
    // A signed text that is not a claims object is refused even with a right signature.
    TokenHandler::Claims nobody{"", {}, kNow + 60};
    EXPECT_FALSE(TokenHandler::Verify(TokenHandler::Issue(nobody, kKey), kKey, kNow, why).has_value());
    EXPECT_EQ(why, "unreadable claims");
}

TEST(TokenLoginTest, OnlyAVerifiedTokenUnderAUsableKeyGivesTheCallItsUser)
{
    ApiTest::EnvHostRoot root;
    const int64_t now = ::time(nullptr);
    const std::string shortKey = kKey.substr(0, 31);
    auto service = std::make_shared<ApiTest::RecordingProvider>(true);
    // The error text of a call with `token` while the key file holds `key` (none: no file).
    auto call = [&](const std::optional<std::string>& key, const std::string& token) {
        if (key) root.WriteFile(TokenHandler::kKeyPath, *key);
        if (!key) ::unlink(root.Path(TokenHandler::kKeyPath).c_str());
        Core::ExecutionContext context;
        context.securityContext.emplace(TokenHandler::kTokenKey,
                                        Core::SecurityContextWrappedEntry::Secret(token));
        std::string error;
        std::make_shared<Lumo::Authn::Filter::AsyncAuthnFilter>(std::make_shared<TokenHandler>(nullptr),
                                                                service)
            ->Invoke({"s", "o"}, nullptr, Core::AsyncActivation::GetInstance(context),
                     [&](Core::MethodResult r) { error = ApiTest::ErrorText(r); });
        return error;
    };
    const std::string refused =
        "com.orvane.lumo.std.errors.unauthenticated com.orvane.tarn.authn.token.invalid [] Invalid or "
        "expired token";
    EXPECT_EQ(call(kKey, TokenHandler::Issue(Alice(now - 1), kKey)), refused);
    EXPECT_EQ(call(std::nullopt, TokenHandler::Issue(Alice(now + 300), shortKey)), refused);
    // A key too short to be safe is not used, even though the token was signed with it.
    EXPECT_EQ(call(shortKey, TokenHandler::Issue(Alice(now + 300), shortKey)), refused);
    EXPECT_TRUE(service->calls.empty());
    EXPECT_EQ(call(kKey, TokenHandler::Issue(Alice(now + 300), kKey)), "no error");
    ASSERT_EQ(service->Users(), std::vector<std::optional<std::string>>{"alice"});
    EXPECT_EQ(service->calls[0].activation->authData->entitlements, Alice().entitlements);
}

}  // namespace
