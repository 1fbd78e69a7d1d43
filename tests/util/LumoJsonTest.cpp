#include <gtest/gtest.h>

#include "CapturedLog.hpp"
#include "GzipTestData.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/OptionalValue.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "platform/lumo/StructValue.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"
#include "util/LumoJson.hpp"
#include "util/LumoJsonSerializationError.hpp"

namespace {

using LifeCycle::JsonForm;
using LifeCycle::LumoJson;
using LifeCycle::LumoJsonSerializationError;
using UtilTest::GzipOf;

constexpr const char* kDepotsJson =
    R"({"depots":[{"url":"https://depot/index.xml","enabled":true}],"count":1})";

// The failure lines written while `action` runs, and whether it threw LumoJsonSerializationError.
std::pair<bool, std::vector<TestLog::LogLine>> RunCapturingFailure(const std::function<void()>& action)
{
    TestLog::CapturedLog log;
    bool threw = false;
    try {
        action();
    } catch (const LumoJsonSerializationError&) {
        threw = true;
    }
    return {threw, log.Take()};
}

TEST(LumoJsonTest, GzipTextDecodesToTheSameValueAsPlainText)
{
    const auto plain = LumoJson::Decode(kDepotsJson);
    ASSERT_NE(plain, nullptr);
    const auto top = Lumo::Data::ValueCast<Lumo::Data::StructValue>(plain);
    ASSERT_NE(top, nullptr);
    EXPECT_TRUE(Lumo::Data::Equal(top->GetField("count"), Lumo::Data::IntegerValue::Create(1)));

    const auto inflated = LumoJson::Decode(GzipOf(kDepotsJson), JsonForm::kDirect);
    EXPECT_TRUE(Lumo::Data::Equal(plain, inflated));
}

TEST(LumoJsonTest, EncodedValuesDecodeBackInBothDirections)
{
    auto value = Lumo::Data::StructValue::Create("");
    value->SetField("name", Lumo::Data::StringValue::Create("tarn-base \"8.0\"\n"));
    value->SetField("size", Lumo::Data::IntegerValue::Create(-42));
    const Lumo::Data::DataValuePtr shared = value;

    const std::string text = LumoJson::Encode(shared);
    EXPECT_TRUE(Lumo::Data::Equal(LumoJson::Decode(text), shared)) << text;

    // The framework form keeps kinds that the direct form loses, e.g. an unset optional field.
    auto tagged = Lumo::Data::StructValue::Create("com.orvane.example");
    tagged->SetField("maybe", Lumo::Data::OptionalValue::GetInstance());
    const Lumo::Data::DataValuePtr taggedShared = tagged;
    const std::string taggedText = Lumo::Protocol::Json::TaggedJsonCodec::Encode(*taggedShared);
    EXPECT_TRUE(Lumo::Data::Equal(LumoJson::Decode(GzipOf(taggedText), JsonForm::kFramework), taggedShared));

    EXPECT_THROW(LumoJson::Encode(nullptr), LumoJsonSerializationError);
}

TEST(LumoJsonTest, BadTextThrowsAndSaysWhy)
{
    // Not JSON, and the bare gzip signature, which is too short to be taken as gzip.
    for (const std::string& text : {std::string("{\"a\":"), std::string("\x1f\x8b")}) {
        const auto [threw, lines] = RunCapturingFailure([&] { LumoJson::Decode(text); });
        EXPECT_TRUE(threw);
        const int failed = TestLog::CapturedLog::Find(lines, "Deserialize from JSON failed: ");
        ASSERT_GE(failed, 0) << text;
        EXPECT_EQ(lines[failed].priority, 0);
        EXPECT_EQ(TestLog::CapturedLog::Find(lines, "Decompression failed"), -1);
    }

    const std::string truncated = GzipOf(kDepotsJson).substr(0, 20);
    const auto [threw, lines] = RunCapturingFailure([&] { LumoJson::Decode(truncated); });
    EXPECT_TRUE(threw);
    const int failed = TestLog::CapturedLog::Find(lines, "Decompression failed: ");
    ASSERT_GE(failed, 0);
    EXPECT_EQ(lines[failed].priority, 0);

    // Well-formed JSON in the wrong form fails in the framework decoder.
    EXPECT_THROW(LumoJson::Decode(R"({"depots":[]})", JsonForm::kFramework), LumoJsonSerializationError);
}

TEST(LumoJsonTest, AdapterMessagesAreLoggedOnePerLineWithTheTag)
{
    TestLog::CapturedLog log;
    LumoJson::LogAdapterMessages({}, "List");
    LumoJson::LogAdapterMessages({Lumo::BaseMessage("lumo.data.unset.field", "Field {1} is unset", {"url"}),
                                  Lumo::BaseMessage("lumo.data.invalid.type", "Wrong type")},
                                 "ListDepots");
    std::vector<std::string> adapter;
    for (const auto& line : log.Take()) {
        if (line.text.find("Could not adapt") != std::string::npos) {
            EXPECT_EQ(line.priority, 0);
            adapter.push_back(line.text);
        }
    }
    ASSERT_EQ(adapter.size(), 2u);
    EXPECT_EQ(adapter[0], "[ListDepots] Could not adapt to native types : Field {1} is unset");
    EXPECT_EQ(adapter[1], "[ListDepots] Could not adapt to native types : Wrong type");
}

}  // namespace
