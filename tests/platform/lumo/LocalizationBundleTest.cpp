#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/lumo/LocalizationBundle.hpp"

namespace Lumo::L10n {
namespace {

class LocalizationBundleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/lumo-bundle-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& content)
    {
        std::string path = (dir_ / name).string();
        std::ofstream(path) << content;
        return path;
    }

    std::filesystem::path dir_;
};

TEST_F(LocalizationBundleTest, LoadsEntriesCommentsAndSections)
{
    std::string path = Write("en.msgcat",
                             "\xEF\xBB\xBF# catalogue\n"
                             "; another comment\n"
                             "[com.orvane.tarn]\n"
                             "com.orvane.tarn.task.description = Task {1}\r\n"
                             "  quoted.id=\"Quoted text\"  \n"
                             "\n"
                             "equals.in.text = a = b\n"
                             "repeated = first\n"
                             "repeated = second\n"
                             "empty.text =\n");
    LocalizationBundle::MessageTable entries;
    std::vector<LocalizationBundle::MalformedLine> malformed;
    EXPECT_FALSE(LocalizationBundle::LoadIniFile(path, entries, &malformed));
    EXPECT_TRUE(malformed.empty());
    EXPECT_EQ(entries, (LocalizationBundle::MessageTable{{"com.orvane.tarn.task.description", "Task {1}"},
                                                         {"quoted.id", "\"Quoted text\""},
                                                         {"equals.in.text", "a = b"},
                                                         {"repeated", "second"},
                                                         {"empty.text", ""}}));
}

TEST_F(LocalizationBundleTest, MalformedLinesAreSkippedAndListed)
{
    std::string path =
        Write("bad.msgcat", "good = yes\nno equals sign\n = no key\n[unclosed\n[]\nalso.good = ok\n");
    LocalizationBundle::MessageTable entries;
    std::vector<LocalizationBundle::MalformedLine> malformed;
    EXPECT_FALSE(LocalizationBundle::LoadIniFile(path, entries, &malformed));
    EXPECT_EQ(entries.size(), 2u);
    ASSERT_EQ(malformed.size(), 4u);
    EXPECT_EQ(malformed[0].number, 2u);
    EXPECT_EQ(malformed[0].text, "no equals sign");
    EXPECT_EQ(malformed[3].number, 5u);
}

TEST_F(LocalizationBundleTest, UnreadableFilesAreErrorsAndChangeNothing)
{
    LocalizationBundle::MessageTable entries{{"kept", "value"}};
    std::error_code missing = LocalizationBundle::LoadIniFile((dir_ / "absent.msgcat").string(), entries);
    EXPECT_EQ(missing, std::errc::no_such_file_or_directory);
    EXPECT_EQ(LocalizationBundle::LoadIniFile(dir_.string(), entries), std::errc::is_a_directory);
    EXPECT_EQ(entries, (LocalizationBundle::MessageTable{{"kept", "value"}}));
}

TEST_F(LocalizationBundleTest, AddLocaleMergesFilesOfOneLanguage)
{
    LocalizationBundle bundle;
    LocalizationBundle::MessageTable first, second;
    std::istringstream one("a = 1\nb = 2\n"), two("b = 3\nc = 4\n");
    LocalizationBundle::LoadIni(one, first);
    LocalizationBundle::LoadIni(two, second);
    bundle.AddLocale("en", std::move(first));
    bundle.AddLocale("en", std::move(second));
    EXPECT_EQ(bundle.Lookup("en", "a"), "1");
    EXPECT_EQ(bundle.Lookup("en", "b"), "3");
    EXPECT_EQ(bundle.Lookup("en", "c"), "4");
    EXPECT_EQ(bundle.Lookup("de", "a"), std::nullopt);
    EXPECT_EQ(bundle.Lookup("en", "z"), std::nullopt);
    EXPECT_TRUE(bundle.HasLocale("en"));
    EXPECT_FALSE(bundle.HasLocale("en_US"));
}

}  // namespace
}  // namespace Lumo::L10n
