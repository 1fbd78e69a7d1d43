// The translator over catalogue trees of each test's own making. The catalogues are loaded
// once per process, so every case runs the translator in a child process of its own.
#include <gtest/gtest.h>

#include <filesystem>

#include "../api/ApiTestSupport.hpp"
#include "translator/Translator.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/LocalizationBundle.hpp"

namespace {

namespace fs = std::filesystem;
using LifeCycle::Translator;

// A copy of the test host tree whose catalogues are the test's own.
class CatalogueRoot : public TestSupport::TempHostRoot {
public:
    CatalogueRoot() { fs::remove_all(Path(Translator::kCatalogueDir)); }

    void Catalogue(const std::string& relative, const std::string& content) const
    {
        WriteFile(std::string(Translator::kCatalogueDir) + "/" + relative, content);
    }
};

TEST(TranslatorLookup, WithoutCatalogueDirectoryErrorsKeepTheirIdAndReadUnknown)
{
    CatalogueRoot root;
    const std::string seen = ApiTest::InChild(root.Dir(), [] {
        const std::string id = "com.orvane.tarn.task.aborted";
        auto error = Lumo::Data::ErrorFactory::GetError(
            Com::Orvane::Lumo::Std::Errors::InternalServerError,
            {Lumo::BaseMessage(id, Translator::Lookup(id, "en_US"))}, Translator::MakeRequestLocalizer());
        return ApiTest::ErrorText(error);
    });
    EXPECT_EQ(
        seen,
        "com.orvane.lumo.std.errors.internal_server_error com.orvane.tarn.task.aborted [] Unknown message.");
}

TEST(TranslatorLookup, EveryEnglishCatalogueContributesWithOneEnclosingPairOfQuotesStripped)
{
    CatalogueRoot root;
    root.Catalogue("quotes.msgcat",
                   "t.quoted = \"Quoted text\"\nt.inner = say \"hi\" now\nt.double = \"\"twice\"\"\n"
                   "t.lone = \"\nt.open = \"no close\n");
    root.Catalogue("second.msgcat", "[section]\ngarbage line without equals\nt.two = Two\n");
    root.Catalogue("notes.txt", "t.three = Three\n");
    root.Catalogue("de/third.msgcat", "t.four = Vier\n");  // its directory names another language
    root.Catalogue("dir.msgcat/inner.txt", "");            // a directory named like a catalogue
    EXPECT_EQ(
        ApiTest::InChild(root.Dir(),
                         [] {
                             std::string out;
                             for (const char* id : {"t.quoted", "t.inner", "t.double", "t.lone", "t.open",
                                                    "t.two", "t.three", "t.four"})
                                 out += Translator::Lookup(id, "en_US") + "\n";
                             return out;
                         }),
        "Quoted text\nsay \"hi\" now\n\"twice\"\n\"\n\"no close\nTwo\nUnknown message.\nUnknown message.\n");
}

// The shipped catalogues must parse cleanly: a line the loader skips is a lost text, and
// texts are taken verbatim, so an escaped quote would reach the client as written.
TEST(ShippedCatalogues, HaveNoMalformedLinesAndNoEmptyOrEscapedTexts)
{
    const fs::path dir = fs::path(std::getenv("HOSTPREFD_FIXTURES")) / "hostroot" /
                         fs::path(Translator::kCatalogueDir).relative_path();
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        Lumo::L10n::LocalizationBundle::MessageTable entries;
        std::vector<Lumo::L10n::LocalizationBundle::MalformedLine> malformed;
        files += entry.path().extension() == ".msgcat" ? 1 : 0;
        ASSERT_FALSE(Lumo::L10n::LocalizationBundle::LoadIniFile(entry.path().string(), entries, &malformed));
        for (const auto& line : malformed) {
            ADD_FAILURE() << entry.path() << ":" << line.number << ": " << line.text;
        }
        for (const auto& [id, text] : entries) {
            EXPECT_TRUE(text.size() > 2 && text.find("\\\"") == std::string::npos)
                << entry.path() << ": " << id;
        }
    }
    EXPECT_GT(files, 0u);
}

}  // namespace
