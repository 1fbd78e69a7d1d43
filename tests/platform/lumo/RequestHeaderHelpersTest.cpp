#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/lumo/L10nCategory.hpp"
#include "platform/lumo/LocaleSpecHelpers.hpp"
#include "platform/lumo/UpdateExecutionCtxHelper.hpp"

namespace Lumo {
namespace {

using Core::ExecutionContext;
using Core::MethodIdentifier;
using Core::SecurityContextWrappedEntry;
using Provider::JsonRpc1_1::ContextUpdater;
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

ExecutionContext PayloadWithCredentials()
{
    ExecutionContext context;
    context.securityContext.emplace("userName", SecurityContextWrappedEntry::Plain("payload-user"));
    context.securityContext.emplace("password", SecurityContextWrappedEntry::Secret("payload-pw"));
    return context;
}

TEST(UpdateExecutionCtxHelper, OperationIdHeaderFillsOrMustMatchThePayload)
{
    ExecutionContext empty;
    EXPECT_TRUE(UpdateExecutionCtxHelper::Update(Headers{{"lumo-operation-id", "op-7"}}, kList, empty));
    EXPECT_EQ(empty.applicationContext.at("opId"), "op-7");

    ExecutionContext same;
    same.applicationContext["opId"] = "op-7";
    EXPECT_TRUE(UpdateExecutionCtxHelper::Update(Headers{{"lumo-operation-id", "op-7"}}, kList, same));

    ExecutionContext differs;
    differs.applicationContext["opId"] = "op-7";
    EXPECT_FALSE(UpdateExecutionCtxHelper::Update(Headers{{"lumo-operation-id", "op-8"}}, kList, differs));
    EXPECT_EQ(differs.applicationContext.at("opId"), "op-7");

    // Two headers that disagree are as bad as a header that disagrees with the payload.
    ExecutionContext twice;
    EXPECT_FALSE(UpdateExecutionCtxHelper::Update(
        Headers{{"lumo-operation-id", "a"}, {"lumo-operation-id", "b"}}, kList, twice));
}

TEST(UpdateExecutionCtxHelper, ContextHeadersNeverOverrideThePayload)
{
    ExecutionContext context;
    context.applicationContext["origin"] = "payload";
    Headers headers{{":method", "POST"},
                    {"lumo-ctx-origin", "header"},
                    {"lumo-ctx-format-locale", "en_US"},
                    {"lumo-ctx-", "empty key"},
                    {"lumo-ctx-x", "first"},
                    {"lumo-ctx-x", "second"},
                    {"x-lumo-ctx-y", "not a context header"}};
    ASSERT_TRUE(UpdateExecutionCtxHelper::Update(headers, kList, context));
    EXPECT_EQ(context.applicationContext,
              (ExecutionContext::ApplicationContext{
                  {"origin", "payload"}, {"format-locale", "en_US"}, {"x", "first"}}));
}

TEST(UpdateExecutionCtxHelper, BasicAuthorizationFillsMissingCredentials)
{
    struct Case {
        std::string value;
        bool used;
        std::string user;
        std::string password;
    };
    const Case cases[] = {
        {"Basic cm9vdDpzM2NyM3Q=", true, "root", "s3cr3t"},      // root:s3cr3t
        {"basic   cm9vdDpzM2NyM3Q=  ", true, "root", "s3cr3t"},  // scheme in any case, blanks
        {"Basic cm9vdDphOmI=", true, "root", "a:b"},             // root:a:b, the first colon splits
        {"Basic OmVtcHR5LXVzZXI=", true, "", "empty-user"},      // :empty-user
        {"Basic cm9vdA==", false, "", ""},                       // root, no colon
        {"Basic cm9vdDpzM2NyM3Q", false, "", ""},                // padding missing
        {"Basic cm9v dDpzM2NyM3Q=", false, "", ""},              // blank inside
        {"Basic cm9vdDpzM2NyM3Q*", false, "", ""},               // not base64
        {"Basic", false, "", ""},
        {"Basiccm9vdDpzM2NyM3Q=", false, "", ""},
        {"Bearer cm9vdDpzM2NyM3Q=", false, "", ""},
    };
    for (const Case& c : cases) {
        ExecutionContext context;
        ASSERT_TRUE(UpdateExecutionCtxHelper::Update(Headers{{"authorization", c.value}}, kList, context))
            << c.value;
        if (!c.used) {
            EXPECT_TRUE(context.securityContext.empty()) << c.value;
            continue;
        }
        EXPECT_EQ(context.securityContext.at("userName"), SecurityContextWrappedEntry::Plain(c.user))
            << c.value;
        EXPECT_EQ(context.securityContext.at("password"), SecurityContextWrappedEntry::Secret(c.password))
            << c.value;
    }

    // Credentials in the payload win; the header is ignored, not merged.
    ExecutionContext payload = PayloadWithCredentials();
    ASSERT_TRUE(UpdateExecutionCtxHelper::Update(Headers{{"authorization", "Basic cm9vdDpzM2NyM3Q="}}, kList,
                                                 payload));
    EXPECT_EQ(payload.securityContext, PayloadWithCredentials().securityContext);

    ExecutionContext onlyUser;
    onlyUser.securityContext.emplace("userName", SecurityContextWrappedEntry::Plain("u"));
    ASSERT_TRUE(UpdateExecutionCtxHelper::Update(Headers{{"authorization", "Basic cm9vdDpzM2NyM3Q="}}, kList,
                                                 onlyUser));
    EXPECT_FALSE(onlyUser.securityContext.contains("password"));
}

TEST(UpdateExecutionCtxHelper, UpdatersRunAfterTheBuiltInRulesAndMayRefuse)
{
    std::vector<std::string> seen;
    ContextUpdater record = [&](const HeaderFields& headers, const MethodIdentifier& method,
                                ExecutionContext& ctx) {
        seen.push_back(method.ToString() + " " + ctx.applicationContext.at("opId") + " " +
                       std::to_string(headers.size()));
        ctx.applicationContext["extra"] = "1";
        return true;
    };
    ContextUpdater refuse = [](const HeaderFields&, const MethodIdentifier&, ExecutionContext&) {
        return false;
    };

    ExecutionContext context;
    Headers headers{{"lumo-operation-id", "op"}};
    EXPECT_TRUE(UpdateExecutionCtxHelper::Update(headers, kList, context, {record}));
    EXPECT_EQ(seen, std::vector<std::string>{"com.orvane.hub.tasks.list op 1"});
    EXPECT_EQ(context.applicationContext.at("extra"), "1");

    ExecutionContext refused;
    EXPECT_FALSE(UpdateExecutionCtxHelper::Update(headers, kList, refused, {refuse, record}));
    EXPECT_EQ(seen.size(), 1u);  // a refusal stops the chain
}

L10n::LocaleSpec Extract(
    const Headers& headers, std::error_code& error, ExecutionContext context = {},
    const std::vector<std::string>& supported = L10n::LocaleSpecHelpers::DefaultSupportedLocales())
{
    L10n::LocaleSpec spec{"unset", "unset"};
    error = L10n::LocaleSpecHelpers::ExtractLocaleSpec(context, headers, spec, supported);
    return spec;
}

TEST(LocaleSpecHelpers, ChoosesTheBestSupportedLanguage)
{
    struct Case {
        std::string acceptLanguage;
        std::string locale;
    };
    const std::vector<std::string> supported{"en_US", "de_DE", "ja"};
    const Case cases[] = {
        {"en-US", "en_US"},
        {"EN_us", "en_US"},
        {"en-GB", "en_US"},                   // same language serves
        {"fr, de;q=0.5, en;q=0.4", "de_DE"},  // unsupported French skipped
        {"en;q=0.2, ja;q=0.9", "ja"},         // order by quality, not position
        {"*", "en_US"},
        {"fr;q=1, *;q=0.1", "en_US"},
        {", ,de-AT,", "de_DE"},  // empty list elements are allowed
        {"zh-Hant-TW, ja-JP", "ja"},
        {"", "en_US"},  // empty: as if absent
    };
    for (const Case& c : cases) {
        std::error_code error;
        L10n::LocaleSpec spec = Extract({{"accept-language", c.acceptLanguage}}, error, {}, supported);
        ASSERT_FALSE(error) << c.acceptLanguage << ": " << error.message();
        EXPECT_EQ(spec.locale, c.locale) << c.acceptLanguage;
        EXPECT_EQ(spec.formatLocale, c.locale) << c.acceptLanguage;
    }

    std::error_code error;
    L10n::LocaleSpec spec = Extract({}, error);
    EXPECT_FALSE(error);
    EXPECT_EQ(spec, (L10n::LocaleSpec{"en_US", "en_US"}));
}

TEST(LocaleSpecHelpers, RefusesUnsupportedAndMalformedValues)
{
    struct Case {
        Headers headers;
        L10n::L10nError expected;
    };
    const Case cases[] = {
        {{{"accept-language", "fr-FR"}}, L10n::L10nError::kLocaleNotSupported},
        {{{"accept-language", "en;q=0, fr"}}, L10n::L10nError::kLocaleNotSupported},  // q=0: not acceptable
        {{{"accept-language", "en;q=0"}}, L10n::L10nError::kLocaleNotSupported},
        {{{"lumo-ctx-format-locale", "fr_FR"}}, L10n::L10nError::kFormatLocaleNotSupported},
        {{{"accept-language", "en-"}}, L10n::L10nError::kBadLocaleHeader},
        {{{"accept-language", "e1"}}, L10n::L10nError::kBadLocaleHeader},
        {{{"accept-language", "en;q=1.5"}}, L10n::L10nError::kBadLocaleHeader},
        {{{"accept-language", "en;q=0.1234"}}, L10n::L10nError::kBadLocaleHeader},
        {{{"accept-language", "en;level=1"}}, L10n::L10nError::kBadLocaleHeader},
        {{{"accept-language", "toolongtag"}}, L10n::L10nError::kBadLocaleHeader},
        {{{"lumo-ctx-format-locale", "en US"}}, L10n::L10nError::kBadLocaleHeader},
        {{{"lumo-ctx-format-locale", ""}}, L10n::L10nError::kBadLocaleHeader},
    };
    for (const Case& c : cases) {
        std::error_code error;
        L10n::LocaleSpec spec = Extract(c.headers, error);
        EXPECT_EQ(error, make_error_code(c.expected)) << c.headers.front().value;
        EXPECT_EQ(spec.locale, "unset") << "the spec is left alone on error";
    }
}

TEST(LocaleSpecHelpers, FormatLocaleFromThePayloadWinsOverTheHeader)
{
    const std::vector<std::string> supported{"en_US", "de_DE"};
    ExecutionContext context;
    context.applicationContext["format-locale"] = "de-DE";
    std::error_code error;
    L10n::LocaleSpec spec =
        Extract({{"accept-language", "en"}, {"lumo-ctx-format-locale", "fr"}}, error, context, supported);
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(spec, (L10n::LocaleSpec{"en_US", "de_DE"}));

    spec = Extract({{"lumo-ctx-format-locale", "de"}}, error, {}, supported);
    ASSERT_FALSE(error);
    EXPECT_EQ(spec, (L10n::LocaleSpec{"en_US", "de_DE"}));
}

}  // namespace
}  // namespace Lumo
