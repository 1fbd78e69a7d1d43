// (Merging the files of one language into a bundle is shown by TranslatorTest over real
// catalogue files.)

#include "platform/lumo/LocalizationBundle.hpp"
#include "platform/lumo/LumoTestSupport.hpp"

namespace Lumo::L10n {
namespace {

using Table = LocalizationBundle::MessageTable;

TEST(LocalizationBundleTest, LoadsGoodMalformedAndMissingFiles)
{
    LumoTestSupport::TempDir dir;
    // Lines 11 to 14 are malformed.
    const std::string path = LumoTestSupport::Written(
        dir, "en.msgcat",
        "\xEF\xBB\xBF# catalogue\n; another comment\n[com.orvane.tarn]\n"
        "com.orvane.tarn.task.description = Task {1}\r\n  quoted.id=\"Quoted text\"  \n\n"
        "equals.in.text = a = b\nrepeated = first\nrepeated = second\nempty.text =\n"
        "no equals sign\n = no key\n[unclosed\n[]\n");
    Table entries;
    std::vector<LocalizationBundle::MalformedLine> malformed;
    EXPECT_FALSE(LocalizationBundle::LoadIniFile(path, entries, &malformed));
    EXPECT_EQ(entries, (Table{{"com.orvane.tarn.task.description", "Task {1}"}, {"quoted.id", "\"Quoted text\""},
                              {"equals.in.text", "a = b"}, {"repeated", "second"}, {"empty.text", ""}}));
    // Malformed lines are skipped and listed by number.
    ASSERT_EQ(malformed.size(), 4u);
    EXPECT_EQ(malformed[0].number, 11u);
    EXPECT_EQ(malformed[0].text, "no equals sign");
    EXPECT_EQ(malformed[3].number, 14u);

    // Unreadable files are errors and change nothing.
    Table kept{{"kept", "value"}};
    EXPECT_EQ(LocalizationBundle::LoadIniFile(dir.File("absent.msgcat"), kept),
              std::errc::no_such_file_or_directory);
    EXPECT_EQ(LocalizationBundle::LoadIniFile(dir.Path().string(), kept), std::errc::is_a_directory);
    EXPECT_EQ(kept, (Table{{"kept", "value"}}));
}

}  // namespace
}  // namespace Lumo::L10n
