#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/lumo/DataValues.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/FormatCategory.hpp"
#include "platform/lumo/FrameworkMessages.hpp"
#include "platform/lumo/L10nCategory.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/LocalizableMessageHelpers.hpp"
#include "platform/lumo/LocalizerHelpers.hpp"

namespace Lumo::L10n {
namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
using Com::Orvane::Lumo::Std::LocalizableMessage;

struct Formatted {
    std::string text;
    std::error_code fault;
};

Formatted Format(std::string_view format, std::vector<std::string> args)
{
    Formatted result;
    result.fault = LocalizableMessageHelpers::formatMessage(format, args, result.text);
    return result;
}

TEST(FormatMessageTest, PutsEachArgumentInPlaceOfItsNumber)
{
    auto result =
        Format("Task {1} of {2}: {1} again, {10}", {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"});
    EXPECT_EQ(result.text, "Task a of b: a again, j");
    EXPECT_FALSE(result.fault);
    EXPECT_EQ(Format("no placeholders", {"unused"}).text, "no placeholders");
    EXPECT_EQ(Format("{1}", {"{2}"}).text, "{2}");  // arguments are not formatted again
    EXPECT_EQ(Format("", {}).text, "");
}

TEST(FormatMessageTest, FaultsKeepThePlaceholderAndReportTheFirst)
{
    struct Case {
        const char* format;
        const char* text;
        std::error_code fault;
    } cases[] = {
        {"missing {2} here", "missing {2} here", FormatError::kMoreSpecifiersThanExpected},
        {"zero {0}", "zero {0}", FormatError::kMoreSpecifiersThanExpected},
        {"huge {99999999999999999999}", "huge {99999999999999999999}",
         FormatError::kMoreSpecifiersThanExpected},
        {"empty {} then {1}", "empty {} then x", FormatError::kEmptyNamedSpecifier},
        {"named {user}", "named {user}", FormatError::kNamedArgumentNotFound},
        {"negative {-1}", "negative {-1}", FormatError::kNamedArgumentNotFound},
        {"alone { and {1}", "alone { and x", FormatError::kMalformedSpecifier},
        {"trailing {", "trailing {", FormatError::kMalformedSpecifier},
        {"{{1}}", "{x}", FormatError::kMalformedSpecifier},
        {"} stray close {1}", "} stray close x", std::error_code()},
    };
    for (const auto& test : cases) {
        auto result = Format(test.format, {"x"});
        EXPECT_EQ(result.text, test.text) << test.format;
        EXPECT_EQ(result.fault, test.fault) << test.format;
    }
}

TEST(CategoryTest, NamesAndTexts)
{
    const std::error_category& format = GetFormatCategory();
    EXPECT_STREQ(format.name(), "Lumo Format Error");
    EXPECT_EQ(format.message(1), "Named argument not found.");
    EXPECT_EQ(format.message(2), "Empty Named specifier found.");
    EXPECT_EQ(format.message(3), "More specifiers than expected.");
    EXPECT_EQ(format.message(4), "format error");

    const std::error_category& l10n = GetL10nCategory();
    EXPECT_STREQ(l10n.name(), "Lumo Localization Error");
    EXPECT_EQ(std::error_code(L10nError::kBadLocaleHeader).message(),
              "Incorrect value of accept-language or lumo-ctx-format-locale header");
    EXPECT_EQ(l10n.message(6), "Failed to load localization bundle");
    EXPECT_EQ(l10n.message(7), "Failed to localize ErrorValue");
    EXPECT_EQ(l10n.message(0), "localization error");
    EXPECT_EQ(l10n.message(8), "localization error");
}

class LocalizerTest : public ::testing::Test {
protected:
    LocalizerTest()
    {
        bundle_->AddLocale("en", {{"greet", "Hello {1}"}, {"only.en", "plain english"}});
        bundle_->AddLocale("de_DE", {{"greet", "Hallo {1}"}});
    }

    std::shared_ptr<LocalizationBundle> bundle_ = std::make_shared<LocalizationBundle>();
    Localizer localizer_{bundle_};
};

TEST_F(LocalizerTest, FallsBackFromLocaleToLanguageToDefault)
{
    BaseMessage greet("greet", "Hi {1}", {"Ann"});
    EXPECT_EQ(localizer_.Localize(greet, "de_DE"), "Hallo Ann");
    EXPECT_EQ(localizer_.Localize(greet, "en_US"), "Hello Ann");  // "en" for "en_US"
    EXPECT_EQ(localizer_.Localize(greet, "fr_FR"), "Hello Ann");  // default locale's language
    EXPECT_EQ(localizer_.Localize(BaseMessage("only.en", "x"), "de_DE"), "plain english");
    EXPECT_EQ(localizer_.Localize(BaseMessage("unknown.id", "Default {1}", {"text"}), "en_US"),
              "Default text");
}

TEST_F(LocalizerTest, ReportsPlaceholderFaultsButStillRenders)
{
    std::error_code fault;
    EXPECT_EQ(localizer_.Localize(BaseMessage("greet", "", {}), "en_US", &fault), "Hello {1}");
    EXPECT_EQ(fault, FormatError::kMoreSpecifiersThanExpected);
}

TEST_F(LocalizerTest, LookupFunctionAndSupportedLocales)
{
    std::vector<std::string> asked;
    Localizer byFunction({"en", "de"},
                         [&](std::string_view id, std::string_view locale) -> std::optional<std::string> {
                             asked.emplace_back(locale);
                             return std::nullopt;
                         });
    EXPECT_EQ(byFunction.Localize(BaseMessage("id", "fallback"), "en_US"), "fallback");
    EXPECT_EQ(asked, (std::vector<std::string>{"en_US", "en"}));  // each candidate once
    EXPECT_TRUE(byFunction.Supports("de_AT"));
    EXPECT_FALSE(byFunction.Supports("ja_JP"));
    EXPECT_TRUE(localizer_.Supports("ja_JP"));
}

TEST(RequestLocalizerTest, DefaultsToEnglishInUtc)
{
    RequestLocalizer request;
    EXPECT_EQ(request.Locale(), "en_US");
    EXPECT_EQ(request.TimeZone(), "Etc/UTC");
    EXPECT_EQ(&request.GetLocalizer(), LocalizerHelpers::GetDefaultLocalizer().get());
    EXPECT_EQ(request.Localize(BaseMessage("any.id", "Value {1}", {"7"})), "Value 7");
}

TEST(ErrorFactoryTest, BuildsTheNamedErrorWithRenderedMessages)
{
    auto bundle = std::make_shared<LocalizationBundle>();
    bundle->AddLocale("en", {{"com.orvane.tarn.task.notfound.error", "No task '{1}'."}});
    RequestLocalizer localizer(std::make_shared<Localizer>(bundle));
    Data::ErrorValuePtr error = Data::ErrorFactory::GetError(
        Errors::NotFound,
        {BaseMessage("com.orvane.tarn.task.notfound.error", "Task {1} not found.", {"t-1"}),
         BaseMessage("second", "Second {1} {2}", {"a", "b"})},
        localizer);
    EXPECT_EQ(error->Name(), "com.orvane.lumo.std.errors.not_found");
    EXPECT_TRUE(Errors::NotFound.Matches(*error));
    EXPECT_FALSE(Errors::Error.Matches(*error));
    const auto* messages = error->GetField("messages")->As<Data::ListValue>();
    ASSERT_NE(messages, nullptr);
    ASSERT_EQ(messages->Size(), 2u);
    auto first = LocalizableMessage::FromValue(*messages->Items()[0]);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first,
              (LocalizableMessage{
                  "com.orvane.tarn.task.notfound.error", "Task {1} not found.", {"t-1"}, "No task 't-1'."}));
    EXPECT_EQ(LocalizableMessage::FromValue(*messages->Items()[1])->localized, "Second a b");
    EXPECT_THAT(error->ToString(), ::testing::HasSubstr("No task 't-1'."));
}

TEST(ErrorFactoryTest, StandardErrorNames)
{
    EXPECT_EQ(Errors::Error.Name(), "com.orvane.lumo.std.errors.error");
    EXPECT_EQ(Errors::AlreadyExists.Name(), "com.orvane.lumo.std.errors.already_exists");
    EXPECT_EQ(Errors::InternalServerError.Name(), "com.orvane.lumo.std.errors.internal_server_error");
    EXPECT_EQ(Errors::NotAllowedInCurrentState.Name(),
              "com.orvane.lumo.std.errors.not_allowed_in_current_state");
    EXPECT_EQ(Errors::ResourceInaccessible.Name(), "com.orvane.lumo.std.errors.resource_inaccessible");
    EXPECT_EQ(Errors::ServiceUnavailable.Name(), "com.orvane.lumo.std.errors.service_unavailable");
    EXPECT_EQ(Errors::Unauthenticated.Name(), "com.orvane.lumo.std.errors.unauthenticated");
}

TEST(FrameworkMessagesTest, KnownIdsCarryTheirTextUnknownOnesSaySo)
{
    RequestLocalizer localizer;
    EXPECT_EQ(localizer.Localize(FrameworkMessages::Make("lumo.recv.failed", {"Connection reset by peer"})),
              "Failed to receive the request: Connection reset by peer");
    EXPECT_EQ(FrameworkMessages::DefaultText("lumo.invalid.request"), "Invalid request.");
    EXPECT_EQ(FrameworkMessages::DefaultText("lumo.invalid"), std::nullopt);
    BaseMessage unknown = FrameworkMessages::Make("com.orvane.tarn.not.framework", {"a"});
    EXPECT_EQ(unknown.DefaultMessage(), "Unknown message.");
    EXPECT_EQ(unknown.Args(), std::vector<std::string>{"a"});
}

TEST(LocalizableMessageTest, FromValueRefusesOtherShapes)
{
    LocalizableMessage message{"id", "text {1}", {"a"}, "text a"};
    EXPECT_EQ(LocalizableMessage::FromValue(*message.ToValue()), message);
    auto wrongType = std::make_shared<Data::StructValue>(*message.ToValue());
    EXPECT_FALSE(LocalizableMessage::FromValue(Data::StructValue("other", wrongType->Fields())));
    auto badArgs = std::make_shared<Data::StructValue>(*message.ToValue());
    badArgs->SetField("args", Data::ListValue::Create({Data::IntegerValue::Create(1)}));
    EXPECT_FALSE(LocalizableMessage::FromValue(*badArgs));
    EXPECT_FALSE(LocalizableMessage::FromValue(*Data::VoidValue::GetInstance()));
}

}  // namespace
}  // namespace Lumo::L10n
