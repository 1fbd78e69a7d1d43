#include <gtest/gtest.h>

#include <algorithm>

#include "../api/ApiTestSupport.hpp"
#include "GzipTestData.hpp"
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

TEST(LumoJsonTest, PlainAndGzipTextDecodeToTheEncodedValueInBothForms)
{
    const auto plain = LumoJson::Decode(kDepotsJson);
    const auto top = Lumo::Data::ValueCast<Lumo::Data::StructValue>(plain);
    ASSERT_NE(top, nullptr);
    EXPECT_TRUE(Lumo::Data::Equal(top->GetField("count"), Lumo::Data::IntegerValue::Create(1)));
    EXPECT_TRUE(Lumo::Data::Equal(plain, LumoJson::Decode(GzipOf(kDepotsJson), JsonForm::kDirect)));

    // Escaping and value kinds are the codec's own tests; this is the helper's round trip.
    EXPECT_TRUE(Lumo::Data::Equal(LumoJson::Decode(LumoJson::Encode(plain)), plain));
    EXPECT_THROW(LumoJson::Encode(nullptr), LumoJsonSerializationError);

    // The framework form keeps kinds that the direct form loses, e.g. an unset optional field.
    auto tagged = Lumo::Data::StructValue::Create("com.orvane.example");
    tagged->SetField("maybe", Lumo::Data::OptionalValue::GetInstance());
    const Lumo::Data::DataValuePtr framework = tagged;
    const std::string taggedText = Lumo::Protocol::Json::TaggedJsonCodec::Encode(*framework);
    EXPECT_TRUE(Lumo::Data::Equal(LumoJson::Decode(GzipOf(taggedText), JsonForm::kFramework), framework));
}

TEST(LumoJsonTest, BadTextThrowsAndLogsWhichStageFailed)
{
    struct Row {
        std::string text;
        JsonForm form;
        const char* logged;
    };
    const std::vector<Row> rows = {
        {"{\"a\":", JsonForm::kDirect, "Deserialize from JSON failed: "},
        // The bare gzip signature is too short to be taken as gzip.
        {"\x1f\x8b", JsonForm::kDirect, "Deserialize from JSON failed: "},
        {GzipOf(kDepotsJson).substr(0, 20), JsonForm::kDirect, "Decompression failed: "},
        // Well-formed JSON in the wrong form fails in the framework decoder.
        {R"({"depots":[]})", JsonForm::kFramework, "Deserialize from JSON failed: "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.logged + row.text);
        LogCapture log;
        EXPECT_THROW(LumoJson::Decode(row.text, row.form), LumoJsonSerializationError);
        const auto lines = ApiTest::LogLines(log);
        const int failed = ApiTest::Find(lines, row.logged);
        ASSERT_GE(failed, 0);
        EXPECT_EQ(lines[failed].priority, 0);
        EXPECT_EQ(
            std::count_if(lines.begin(), lines.end(),
                          [](const auto& line) { return line.text.find("failed: ") != std::string::npos; }),
            1)
            << "only one stage reports";
    }
}

TEST(LumoJsonTest, AdapterMessagesAreLoggedOnePerLineWithTheTag)
{
    LogCapture log;
    LumoJson::LogAdapterMessages({}, "List");
    LumoJson::LogAdapterMessages({Lumo::BaseMessage("lumo.data.unset.field", "Field {1} is unset", {"url"}),
                                  Lumo::BaseMessage("lumo.data.invalid.type", "Wrong type")},
                                 "ListDepots");
    std::vector<std::string> adapter;
    for (const auto& line : ApiTest::LogLines(log)) {
        if (line.text.find("Could not adapt") != std::string::npos) {
            EXPECT_EQ(line.priority, 0);
            adapter.push_back(line.text);
        }
    }
    EXPECT_EQ(adapter,
              (std::vector<std::string>{"[ListDepots] Could not adapt to native types : Field {1} is unset",
                                        "[ListDepots] Could not adapt to native types : Wrong type"}));
}

}  // namespace
