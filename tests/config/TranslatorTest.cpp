// The translator over catalogue trees of each test's own making. The catalogues are loaded
// once per process, so every case runs the translator in a child process of its own and
// hands its observations back as text.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "config/Translator.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/LocalizationBundle.hpp"

namespace {

namespace fs = std::filesystem;
using LifeCycle::Translator;

class CatalogueRoot {
public:
    CatalogueRoot()
    {
        dir_ = (fs::temp_directory_path() / "translator-XXXXXX").string();
        if (mkdtemp(dir_.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
    }
    ~CatalogueRoot()
    {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // Writes a file at `relative` below the catalogue directory.
    void Catalogue(const std::string& relative, const std::string& content) const
    {
        const fs::path path = fs::path(dir_ + Translator::kCatalogueDir) / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }

    // Runs `body` in a child process whose host root is this one; returns what it produced.
    std::string InChild(const std::function<std::string()>& body) const
    {
        int fds[2];
        if (pipe(fds) != 0) {
            throw std::runtime_error("pipe failed");
        }
        const pid_t child = fork();
        if (child == 0) {
            close(fds[0]);
            setenv("HOSTPREFD_ROOT", dir_.c_str(), 1);
            const std::string out = body();
            const bool written = write(fds[1], out.data(), out.size()) == static_cast<ssize_t>(out.size());
            _exit(written ? 0 : 1);
        }
        close(fds[1]);
        std::string out;
        char buffer[4096];
        for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
            out.append(buffer, static_cast<size_t>(n));
        }
        close(fds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
        return out;
    }

    const std::string& Dir() const { return dir_; }

private:
    std::string dir_;
};

// The texts of `ids`, one per line.
std::string LookupLines(const std::vector<std::string>& ids)
{
    std::string out;
    for (const std::string& id : ids) {
        out += Translator::Lookup(id, "en_US") + "\n";
    }
    return out;
}

TEST(TranslatorLookup, WithoutCatalogueDirectoryEveryIdIsUnknownAndErrorsKeepTheirId)
{
    CatalogueRoot root;  // no catalogue directory at all
    const std::string seen = root.InChild([] {
        const std::string id = "com.orvane.tarn.task.aborted";
        const Lumo::BaseMessage message(id, Translator::Lookup(id, "en_US"));
        auto error = Lumo::Data::ErrorFactory::GetError(Com::Orvane::Lumo::Std::Errors::InternalServerError,
                                                        {message}, Translator::MakeRequestLocalizer());
        auto messages = Lumo::Data::ValueCast<Lumo::Data::ListValue>(error->GetField("messages"));
        auto rendered = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*messages->Items().at(0));
        return rendered->id + "|" + rendered->defaultMessage + "|" + rendered->localized;
    });
    EXPECT_EQ(seen, "com.orvane.tarn.task.aborted|Unknown message.|Unknown message.");
}

TEST(TranslatorLookup, StripsOneEnclosingPairOfQuotesOnly)
{
    CatalogueRoot root;
    root.Catalogue("quotes.msgcat",
                   "t.quoted = \"Quoted text\"\n"
                   "t.inner = say \"hi\" now\n"
                   "t.double = \"\"twice\"\"\n"
                   "t.lone = \"\n"
                   "t.open = \"no close\n");
    const std::string seen =
        root.InChild([] { return LookupLines({"t.quoted", "t.inner", "t.double", "t.lone", "t.open"}); });
    EXPECT_EQ(seen, "Quoted text\nsay \"hi\" now\n\"twice\"\n\"\n\"no close\n");
}

TEST(TranslatorLookup, EveryEnglishFileContributesAndOtherFilesDoNot)
{
    CatalogueRoot root;
    root.Catalogue("first.msgcat", "t.one = One\nt.shared = from first\n");
    root.Catalogue("second.msgcat", "[section]\nt.two = Two\n");
    root.Catalogue("notes.txt", "t.three = Three\n");
    // A nested directory names another language, so its catalogue is not English.
    root.Catalogue("de/third.msgcat", "t.four = Vier\n");
    const std::string seen = root.InChild([] { return LookupLines({"t.one", "t.two", "t.three", "t.four"}); });
    EXPECT_EQ(seen, "One\nTwo\nUnknown message.\nUnknown message.\n");
}

TEST(TranslatorLookup, UnreadableEntriesAreSkippedAndTheRestStillLoads)
{
    CatalogueRoot root;
    root.Catalogue("good.msgcat", "t.good = Good\n");
    root.Catalogue("dir.msgcat/inner.txt", "not a catalogue\n");  // a directory named like a catalogue
    root.Catalogue("partly.msgcat", "garbage line without equals\nt.after = After\n");
    const std::string seen = root.InChild([] { return LookupLines({"t.good", "t.after"}); });
    EXPECT_EQ(seen, "Good\nAfter\n");
}

TEST(TranslatorLookup, CataloguesAreReadOnceAndLaterFilesAreNotSeen)
{
    CatalogueRoot root;
    root.Catalogue("early.msgcat", "t.early = Early\n");
    const std::string late = root.Dir() + Translator::kCatalogueDir + "/late.msgcat";
    const std::string seen = root.InChild([&late] {
        std::string out = Translator::Lookup("t.early", "en");
        std::ofstream(late) << "t.late = Late\n";
        return out + "|" + Translator::Lookup("t.late", "en");
    });
    EXPECT_EQ(seen, "Early|Unknown message.");
}

TEST(TranslatorLookup, ConcurrentFirstLookupsAllSeeTheCatalogue)
{
    CatalogueRoot root;
    root.Catalogue("a.msgcat", "t.a = Alpha\n");
    const std::string seen = root.InChild([] {
        std::vector<std::string> texts(8);
        std::vector<std::thread> threads;
        for (size_t i = 0; i < texts.size(); ++i) {
            threads.emplace_back([&texts, i] { texts[i] = Translator::Lookup("t.a", "en_US"); });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        std::string out;
        for (const std::string& text : texts) {
            out += text == "Alpha" ? "." : "x";
        }
        return out;
    });
    EXPECT_EQ(seen, "........");
}

TEST(TranslatorLocalizer, RendersCatalogueTextsWithArgumentsAndKeepsDefaultsOfUnknownIds)
{
    CatalogueRoot root;
    root.Catalogue("args.msgcat", "t.args = Value {1} of {2}\n");
    const std::string seen = root.InChild([] {
        const Lumo::L10n::RequestLocalizer localizer = Translator::MakeRequestLocalizer();
        return localizer.Locale() + "|" + localizer.TimeZone() + "|" +
               localizer.Localize(Lumo::BaseMessage("t.args", "ignored", {"x", "y"})) + "|" +
               localizer.Localize(Lumo::BaseMessage("t.missing", "Own default {1}", {"z"})) + "|" +
               (localizer.GetLocalizer().Supports("fr_FR") ? "fr" : "") +
               (localizer.GetLocalizer().Supports("it_IT") ? "it" : "");
    });
    EXPECT_EQ(seen, "en_US|Etc/UTC|Value x of y|Own default z|fr");
}

// The shipped catalogues must parse cleanly: a line the loader skips is a lost text.
TEST(ShippedCatalogues, HaveNoMalformedLinesAndNoEmptyTexts)
{
    const fs::path dir = fs::path(std::getenv("HOSTPREFD_FIXTURES")) / "hostroot" /
                         fs::path(Translator::kCatalogueDir).relative_path();
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.path().extension() != ".msgcat") {
            continue;
        }
        ++files;
        Lumo::L10n::LocalizationBundle::MessageTable entries;
        std::vector<Lumo::L10n::LocalizationBundle::MalformedLine> malformed;
        ASSERT_FALSE(Lumo::L10n::LocalizationBundle::LoadIniFile(entry.path().string(), entries, &malformed));
        for (const auto& line : malformed) {
            ADD_FAILURE() << entry.path() << ":" << line.number << ": " << line.text;
        }
        for (const auto& [id, text] : entries) {
            EXPECT_FALSE(text.empty() || text == "\"\"") << entry.path() << ": " << id;
            // Texts are taken verbatim: an escaped quote would reach the client as written.
            EXPECT_EQ(text.find("\\\""), std::string::npos) << entry.path() << ": " << id;
        }
    }
    EXPECT_GT(files, 0u);
}

}  // namespace
