#include <gtest/gtest.h>
#include <gtest/gtest.h>

#include "platform/lumo/L10nCategory.hpp"
#include "platform/lumo/LocaleSpecHelpers.hpp"
#include "platform/lumo/UpdateExecutionCtxHelper.hpp"

namespace Lumo {
namespace {

using Core::ExecutionContext;
using Core::MethodIdentifier;
using Core::SecurityContextWrappedEntry;
using Provider::JsonRpc1_1::UpdateExecutionCtxHelper;

const MethodIdentifier kList("com.orvane.hub.tasks", "list");

// A header as the transport's range yields it: an object with Name() and Value().
struct FakeHeader {
    std::string name;
    std::string value;
    std::string_view Name() const { return name; }
    std::string_view Value() const { return value; }
};

using Headers = std::vector<FakeHeader>;

// (An operation-id header that differs from the payload's id is refused by the exchange,
// over a socket.)
TEST(UpdateExecutionCtxHelper, HeadersFillTheContextButNeverOverrideThePayload)
{
    ExecutionContext context;
    context.applicationContext["origin"] = "payload";
    Headers headers{{":method", "POST"},          {"lumo-operation-id", "op-7"}, {"lumo-ctx-origin", "header"},
                    {"lumo-ctx-format-locale", "en_US"}, {"lumo-ctx-", "empty key"}, {"lumo-ctx-x", "first"},
                    {"lumo-ctx-x", "second"},     {"x-lumo-ctx-y", "not a context header"}};
    ASSERT_TRUE(UpdateExecutionCtxHelper::Update(headers, kList, context));
    EXPECT_EQ(context.applicationContext,
              (ExecutionContext::ApplicationContext{
                  {"origin", "payload"}, {"opId", "op-7"}, {"format-locale", "en_US"}, {"x", "first"}}));
    // Two operation ids that disagree are as bad as one that disagrees with the payload.
    ExecutionContext twice;
    EXPECT_FALSE(UpdateExecutionCtxHelper::Update(Headers{{"lumo-operation-id", "a"}, {"lumo-operation-id", "b"}},
                                                  kList, twice));
}

TEST(UpdateExecutionCtxHelper, BasicAuthorizationFillsMissingCredentials)
{
    // Rows without a password leave the credentials alone.
    struct Case {
        std::string value, user = "", password = "";
    };
    const Case cases[] = {
        {"Basic cm9vdDpzM2NyM3Q=", "root", "s3cr3t"},      // root:s3cr3t
        {"basic   cm9vdDpzM2NyM3Q=  ", "root", "s3cr3t"},  // scheme in any case, blanks
        {"Basic cm9vdDphOmI=", "root", "a:b"},             // root:a:b, the first colon splits
        {"Basic OmVtcHR5LXVzZXI=", "", "empty-user"},      // :empty-user
        {"Basic cm9vdA=="},                                // root, no colon
        {"Basic cm9v dDpzM2NyM3Q="},                       // blank inside
        {"Basic cm9vdDpzM2NyM3Q*"},                        // not base64
        {"Basiccm9vdDpzM2NyM3Q="},
        {"Bearer cm9vdDpzM2NyM3Q="},
    };
    for (const Case& c : cases) {
        ExecutionContext context;
        ASSERT_TRUE(UpdateExecutionCtxHelper::Update(Headers{{"authorization", c.value}}, kList, context))
            << c.value;
        ExecutionContext::SecurityContext expected;
        if (!c.password.empty()) {
            expected = {{"userName", SecurityContextWrappedEntry::Plain(c.user)},
                        {"password", SecurityContextWrappedEntry::Secret(c.password)}};
        }
        EXPECT_EQ(context.securityContext, expected) << c.value;
    }

    // Credentials in the payload win; the header is ignored, not merged, even when only a user is given.
    ExecutionContext onlyUser;
    onlyUser.securityContext.emplace("userName", SecurityContextWrappedEntry::Plain("u"));
    ASSERT_TRUE(UpdateExecutionCtxHelper::Update(Headers{{"authorization", "Basic cm9vdDpzM2NyM3Q="}}, kList,
                                                 onlyUser));
    EXPECT_FALSE(onlyUser.securityContext.contains("password"));
    EXPECT_EQ(onlyUser.securityContext.at("userName"), SecurityContextWrappedEntry::Plain("u"));
}

// The payload's format locale wins over the header; on error the spec is left alone.
TEST(LocaleSpecHelpers, ChoosesTheBestSupportedLanguageOrRefuses)
{
    using L10n::L10nError;
    struct Case {
        Headers headers;
        std::string locale, formatLocale = "";  // an empty formatLocale means the same as locale
        std::error_code error = {};
        std::string payloadFormatLocale = "";
    };
    auto accept = [](std::string value) { return Headers{{"accept-language", std::move(value)}}; };
    auto format = [](std::string value) { return Headers{{"lumo-ctx-format-locale", std::move(value)}}; };
    const Case cases[] = {
        {{}, "en_US"},
        {accept("en-US"), "en_US"},
        {accept("en-GB"), "en_US"},                   // same language serves
        {accept("fr, de;q=0.5, en;q=0.4"), "de_DE"},  // unsupported French skipped
        {accept("en;q=0.2, ja;q=0.9"), "ja"},         // order by quality, not position
        {accept("*"), "en_US"},
        {accept(", ,de-AT,"), "de_DE"},  // empty list elements are allowed
        {accept(""), "en_US"},  // empty: as if absent
        {format("de"), "en_US", "de_DE"},
        {{{"accept-language", "en"}, {"lumo-ctx-format-locale", "fr"}}, "en_US", "de_DE", {}, "de-DE"},
        {accept("fr-FR"), "unset", "unset", L10nError::kLocaleNotSupported},
        {accept("en;q=0, fr"), "unset", "unset", L10nError::kLocaleNotSupported},  // q=0: not acceptable
        {format("fr_FR"), "unset", "unset", L10nError::kFormatLocaleNotSupported},
        {accept("en-"), "unset", "unset", L10nError::kBadLocaleHeader},
        {accept("en;q=1.5"), "unset", "unset", L10nError::kBadLocaleHeader},
        {accept("en;level=1"), "unset", "unset", L10nError::kBadLocaleHeader},
        {accept("toolongtag"), "unset", "unset", L10nError::kBadLocaleHeader},
        {format("en US"), "unset", "unset", L10nError::kBadLocaleHeader},
    };
    const std::vector<std::string> supported{"en_US", "de_DE", "ja"};
    for (const Case& c : cases) {
        ExecutionContext context;
        if (!c.payloadFormatLocale.empty()) context.applicationContext["format-locale"] = c.payloadFormatLocale;
        L10n::LocaleSpec spec{"unset", "unset"};
        SCOPED_TRACE(c.headers.empty() ? "(none)" : c.headers.back().value);
        EXPECT_EQ(L10n::LocaleSpecHelpers::ExtractLocaleSpec(context, c.headers, spec, supported), c.error);
        EXPECT_EQ(spec, (L10n::LocaleSpec{c.locale, c.formatLocale.empty() ? c.locale : c.formatLocale}));
    }
}

}  // namespace
}  // namespace Lumo
