#include <gtest/gtest.h>

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

    // A tool that found nothing prints "null": callers test for a null pointer, in both forms.
    EXPECT_EQ(LumoJson::Decode("null"), nullptr);
    EXPECT_EQ(LumoJson::Decode(GzipOf(" null\n"), JsonForm::kFramework), nullptr);
    EXPECT_NE(LumoJson::Decode("[null]"), nullptr);

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
        const auto failures = ApiTest::LogLines(log, "failed: ");
        ASSERT_EQ(failures.size(), 1u) << "only one stage reports";
        EXPECT_TRUE(failures[0].starts_with(std::string("0 ") + row.logged)) << failures[0];
    }
}

TEST(LumoJsonTest, AdapterMessagesAreLoggedOnePerLineWithTheTag)
{
    LogCapture log;
    LumoJson::LogAdapterMessages({}, "List");
    LumoJson::LogAdapterMessages({Lumo::BaseMessage("lumo.data.unset.field", "Field {1} is unset", {"url"}),
                                  Lumo::BaseMessage("lumo.data.invalid.type", "Wrong type")},
                                 "ListDepots");
    EXPECT_EQ(ApiTest::LogLines(log, "Could not adapt"),
              (std::vector<std::string>{"0 [ListDepots] Could not adapt to native types : Field {1} is unset",
                                        "0 [ListDepots] Could not adapt to native types : Wrong type"}));
}

}  // namespace
