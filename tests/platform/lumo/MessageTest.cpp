#include <gtest/gtest.h>

#include "platform/lumo/DataValues.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/FormatCategory.hpp"
#include "platform/lumo/FrameworkMessages.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/LocalizableMessageHelpers.hpp"

namespace Lumo::L10n {
namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
using Com::Orvane::Lumo::Std::LocalizableMessage;

// Faults keep the placeholder in the text and report the first fault found.
TEST(FormatMessageTest, ReplacesPlaceholdersAndReportsFaults)
{
    struct Row {
        std::string format;
        std::vector<std::string> args;
        std::string text;
        std::error_code fault;
    } rows[] = {
        {"Task {1} of {2}: {1} again, {10}", {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"},
         "Task a of b: a again, j", {}},
        {"no placeholders", {"unused"}, "no placeholders", {}},
        {"{1}", {"{2}"}, "{2}", {}},  // arguments are not formatted again
        {"", {}, "", {}},
        {"} stray close {1}", {"x"}, "} stray close x", {}},
        {"missing {2} here", {"x"}, "missing {2} here", FormatError::kMoreSpecifiersThanExpected},
        {"zero {0}", {"x"}, "zero {0}", FormatError::kMoreSpecifiersThanExpected},
        {"huge {99999999999999999999}", {"x"}, "huge {99999999999999999999}", FormatError::kMoreSpecifiersThanExpected},
        {"empty {} then {1}", {"x"}, "empty {} then x", FormatError::kEmptyNamedSpecifier},
        {"named {user}", {"x"}, "named {user}", FormatError::kNamedArgumentNotFound},
        {"negative {-1}", {"x"}, "negative {-1}", FormatError::kNamedArgumentNotFound},
        {"alone { and {1}", {"x"}, "alone { and x", FormatError::kMalformedSpecifier},
        {"trailing {", {"x"}, "trailing {", FormatError::kMalformedSpecifier},
        {"{{1}}", {"x"}, "{x}", FormatError::kMalformedSpecifier},
    };
    for (const Row& row : rows) {
        std::string text;
        EXPECT_EQ(LocalizableMessageHelpers::formatMessage(row.format, row.args, text), row.fault)
            << row.format;
        EXPECT_EQ(text, row.text) << row.format;
    }
}

TEST(LocalizerTest, FallsBackFromLocaleToLanguageToDefault)
{
    auto bundle = std::make_shared<LocalizationBundle>();
    bundle->AddLocale("en", {{"greet", "Hello {1}"}, {"only.en", "plain english"}});
    bundle->AddLocale("de_DE", {{"greet", "Hallo {1}"}});
    Localizer localizer{bundle};
    BaseMessage greet("greet", "Hi {1}", {"Ann"});
    EXPECT_EQ(localizer.Localize(greet, "de_DE"), "Hallo Ann");
    EXPECT_EQ(localizer.Localize(greet, "en_US"), "Hello Ann");  // "en" for "en_US"
    EXPECT_EQ(localizer.Localize(greet, "fr_FR"), "Hello Ann");  // default locale's language
    EXPECT_EQ(localizer.Localize(BaseMessage("only.en", "x"), "de_DE"), "plain english");
    EXPECT_EQ(localizer.Localize(BaseMessage("unknown.id", "Default {1}", {"text"}), "en_US"),
              "Default text");
    // A placeholder fault is reported but the text is still rendered.
    std::error_code fault;
    EXPECT_EQ(localizer.Localize(BaseMessage("greet", "", {}), "en_US", &fault), "Hello {1}");
    EXPECT_EQ(fault, FormatError::kMoreSpecifiersThanExpected);
}

TEST(ErrorFactoryTest, BuildsTheNamedErrorWithRenderedMessages)
{
    auto bundle = std::make_shared<LocalizationBundle>();
    bundle->AddLocale("en", {{"task.gone", "No task '{1}'."}});
    Data::ErrorValuePtr error = Data::ErrorFactory::GetError(
        Errors::NotFound,
        {BaseMessage("task.gone", "Task {1} not found.", {"t-1"}), BaseMessage("second", "Second {1} {2}", {"a", "b"})},
        RequestLocalizer(std::make_shared<Localizer>(bundle)));
    EXPECT_EQ(error->Name(), "com.orvane.lumo.std.errors.not_found");
    EXPECT_FALSE(Errors::Error.Matches(*error));
    auto expected = Data::ListValue::Create(
        {LocalizableMessage{"task.gone", "Task {1} not found.", {"t-1"}, "No task 't-1'."}.ToValue(),
         LocalizableMessage{"second", "Second {1} {2}", {"a", "b"}, "Second a b"}.ToValue()});
    EXPECT_TRUE(Data::Equal(error->GetField("messages"), expected)) << error->ToString();
}

// A request localizer without a bundle: English in UTC, framework messages in their own texts.
TEST(RequestLocalizerTest, DefaultsToEnglishInUtcWithTheFrameworkTexts)
{
    RequestLocalizer localizer;
    EXPECT_EQ(localizer.Locale(), "en_US");
    EXPECT_EQ(localizer.TimeZone(), "Etc/UTC");
    EXPECT_EQ(localizer.Localize(BaseMessage("any.id", "Value {1}", {"7"})), "Value 7");
    EXPECT_EQ(localizer.Localize(FrameworkMessages::Make("lumo.recv.failed", {"Connection reset by peer"})),
              "Failed to receive the request: Connection reset by peer");
    BaseMessage unknown = FrameworkMessages::Make("com.orvane.tarn.not.framework", {"a"});
    EXPECT_EQ(unknown.DefaultMessage(), "Unknown message.");
    EXPECT_EQ(unknown.Args(), std::vector<std::string>{"a"});
}

TEST(LocalizableMessageTest, FromValueRefusesOtherShapes)
{
    LocalizableMessage message{"id", "text {1}", {"a"}, "text a"};
    EXPECT_EQ(LocalizableMessage::FromValue(*message.ToValue()), message);
    EXPECT_FALSE(LocalizableMessage::FromValue(Data::StructValue("other", message.ToValue()->Fields())));
    auto badArgs = std::make_shared<Data::StructValue>(*message.ToValue());
    badArgs->SetField("args", Data::ListValue::Create({Data::IntegerValue::Create(1)}));
    EXPECT_FALSE(LocalizableMessage::FromValue(*badArgs));
    EXPECT_FALSE(LocalizableMessage::FromValue(*Data::VoidValue::GetInstance()));
}

}  // namespace
}  // namespace Lumo::L10n
