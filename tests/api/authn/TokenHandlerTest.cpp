// Signed tokens of the data-processing-unit host: what verifies, what is refused, and what
// a verified token gives the call.
#include <gtest/gtest.h>

#include <cstdlib>

#include "api/authn/AsyncAuthnFilter.hpp"
#include "api/authn/TokenHandler.hpp"
#include "platform/lumo/StandardError.hpp"
#include "support/TempHostRoot.hpp"

namespace {

using Tarn::Authn::TokenHandler;
namespace Core = Lumo::Core;

const std::string kKey = "0123456789abcdef0123456789abcdef-host-key";
constexpr int64_t kNow = 1'800'000'000;

TokenHandler::Claims Alice(int64_t expiresAt = kNow + 60)
{
    return {"alice", {"software.read", "software.write"}, expiresAt};
}

TEST(TokenVerifyTest, IssuedTokenVerifiesUntilItExpires)
{
    std::string why;
    std::string token = TokenHandler::Issue(Alice(), kKey);
    auto claims = TokenHandler::Verify(token, kKey, kNow, why);
    ASSERT_TRUE(claims.has_value()) << why;
    EXPECT_EQ(claims->user, "alice");
    EXPECT_EQ(claims->entitlements, (std::set<std::string, std::less<>>{"software.read", "software.write"}));

    EXPECT_TRUE(TokenHandler::Verify(token, kKey, kNow + 59, why).has_value());
    EXPECT_FALSE(TokenHandler::Verify(token, kKey, kNow + 60, why).has_value());
    EXPECT_EQ(why, "expired");
}

TEST(TokenVerifyTest, ForgedOrDamagedTokensAreRefused)
{
    std::string why;
    std::string token = TokenHandler::Issue(Alice(), kKey);
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

class TokenLoginTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("HOSTPREFD_ROOT", root_.Dir().c_str(), 1); }
    void TearDown() override { ::unsetenv("HOSTPREFD_ROOT"); }

    // Passes a call with `token` through the filter; the activation it reached the next
    // element with, or null when it was refused.
    std::shared_ptr<Core::AsyncActivation> Login(const std::string& token, bool& refused)
    {
        class Next : public Core::AsyncApiProvider {
        public:
            std::string Name() const override { return "Next"; }
            void Invoke(const Core::MethodIdentifier&, Lumo::Data::DataValuePtr,
                        std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncApiResultCb cb) override
            {
                reached = activation;
                cb(Core::MethodResult::FromOutput(nullptr));
            }
            std::shared_ptr<Core::AsyncActivation> reached;
        };
        auto next = std::make_shared<Next>();
        auto filter = std::make_shared<Lumo::Authn::Filter::AsyncAuthnFilter>(
            std::make_shared<TokenHandler>(nullptr), next);
        Core::ExecutionContext context;
        context.securityContext.emplace(TokenHandler::kTokenKey,
                                        Core::SecurityContextWrappedEntry::Secret(token));
        refused = false;
        filter->Invoke(
            {"s", "o"}, nullptr, Core::AsyncActivation::GetInstance(context), [&](Core::MethodResult r) {
                refused = r.IsError() && Com::Orvane::Lumo::Std::Errors::Unauthenticated.Matches(*r.Error());
            });
        return next->reached;
    }

    int64_t RealNow() const { return static_cast<int64_t>(::time(nullptr)); }

    TestSupport::TempHostRoot root_;
};

TEST_F(TokenLoginTest, VerifiedTokenGivesTheCallItsUserAndEntitlements)
{
    root_.WriteFile(TokenHandler::kKeyPath, kKey);
    bool refused = false;
    auto reached = Login(TokenHandler::Issue(Alice(RealNow() + 300), kKey), refused);
    ASSERT_NE(reached, nullptr);
    EXPECT_FALSE(refused);
    ASSERT_TRUE(reached->authData.has_value());
    EXPECT_EQ(reached->authData->userName, "alice");
    EXPECT_TRUE(reached->authData->entitlements.contains("software.write"));

    EXPECT_EQ(Login(TokenHandler::Issue(Alice(RealNow() - 1), kKey), refused), nullptr);
    EXPECT_TRUE(refused);
}

TEST_F(TokenLoginTest, WithoutAUsableKeyEveryTokenIsRefused)
{
    bool refused = false;
    std::string token = TokenHandler::Issue(Alice(RealNow() + 300), kKey.substr(0, 31));
    EXPECT_EQ(Login(token, refused), nullptr) << "no key file";
    EXPECT_TRUE(refused);
    // A key too short to be safe is not used, even though the token was signed with it.
    root_.WriteFile(TokenHandler::kKeyPath, kKey.substr(0, 31));
    EXPECT_EQ(Login(token, refused), nullptr);
    EXPECT_TRUE(refused);
}

}  // namespace
