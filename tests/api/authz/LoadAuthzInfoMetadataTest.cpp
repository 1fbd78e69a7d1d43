// Entitlement rules read from metadata files, one file after another.
#include <gtest/gtest.h>

#include <sstream>

#include "api/authz/LoadAuthzInfoMetadata.hpp"

namespace {

using Lumo::Authz::AuthzInfo;
using Lumo::Authz::Metadata::LoadAuthzInfoMetadata;

bool LoadText(const std::string& text, AuthzInfo& info, std::vector<Lumo::BaseMessage>& messages)
{
    std::istringstream in(text);
    return LoadAuthzInfoMetadata::Load(in, info, nullptr, messages);
}

TEST(LoadAuthzInfoMetadataTest, FilesAddUpAndAFileWithoutRulesAddsNothing)
{
    AuthzInfo info;
    std::vector<Lumo::BaseMessage> messages;
    ASSERT_TRUE(LoadText(R"({"schemes": {"com.orvane.hub.tasks": ["token"]}})", info, messages));
    EXPECT_TRUE(info.rules.empty());
    ASSERT_TRUE(LoadText(R"({"authorization": {"rules": {"com.orvane.hub.tasks": ["tasks.read"],
                                                          "com.orvane.hub.tasks.cancel": ["tasks.read", "tasks.cancel"]},
                                                "anonymous": ["com.orvane.lumo.std.metadata"]}})",
                         info, messages));
    ASSERT_TRUE(
        LoadText(R"({"authorization": {"rules": {"com.orvane.tarn.software": []}}})", info, messages));
    EXPECT_TRUE(messages.empty());

    EXPECT_EQ(info.Required({"com.orvane.hub.tasks", "get"}), AuthzInfo::Entitlements{"tasks.read"});
    EXPECT_EQ(info.Required({"com.orvane.hub.tasks", "cancel"}),
              (AuthzInfo::Entitlements{"tasks.read", "tasks.cancel"}));
    EXPECT_EQ(info.Required({"com.orvane.tarn.software", "get"}), AuthzInfo::Entitlements{});
    EXPECT_EQ(info.Required({"com.orvane.tarn.other", "get"}), std::nullopt);
    EXPECT_TRUE(info.anonymous.contains("com.orvane.lumo.std.metadata"));
}

TEST(LoadAuthzInfoMetadataTest, BadFilesAreRefusedAndChangeNothing)
{
    const std::string bad[] = {
        R"({"authorization": {"rules": {"a": ["x"]}, )",
        R"([1, 2])",
        R"({"authorization": []})",
        R"({"authorization": {"rules": {"a": "x"}}})",
        R"({"authorization": {"rules": {"b": ["ok"], "a": [1]}}})",
        R"({"authorization": {"rules": {"b": ["ok"]}, "anonymous": "c"}})",
        R"({"authorization": {"rules": {"com.orvane.hub.tasks": ["again"]}}})",
    };
    for (const auto& text : bad) {
        AuthzInfo info;
        info.rules["com.orvane.hub.tasks"] = {"tasks.read"};
        std::vector<Lumo::BaseMessage> messages;
        EXPECT_FALSE(LoadText(text, info, messages)) << text;
        ASSERT_EQ(messages.size(), 1u) << text;
        EXPECT_EQ(messages[0].Id(), LoadAuthzInfoMetadata::kInvalidId);
        EXPECT_TRUE(info.rules.size() == 1 && info.anonymous.empty()) << text;
    }
}

}  // namespace
