#include "config/Translator.hpp"

#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include "platform/host/CSLogger.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/lumo/LocalizationBundle.hpp"

namespace LifeCycle {

namespace {

namespace fs = std::filesystem;

constexpr const char* kEnglish = "en";

// The process-wide bundle and the languages already loaded into it. Loading is serialised
// so that two first lookups on different threads do not read the catalogues twice.
struct TranslatorCatalogues {
    Lumo::L10n::LocalizationBundle bundle;
    std::mutex loadMutex;
    std::set<std::string> loaded;  // guarded by loadMutex
};

TranslatorCatalogues& Catalogues()
{
    static TranslatorCatalogues* catalogues = new TranslatorCatalogues;  // never released
    return *catalogues;
}

struct CatalogueFile {
    std::string language;
    std::string path;
};

// Every ".msgcat" regular file below `dir`, with the language named by its parent directory.
// A failed walk keeps what it found before the failure.
std::vector<CatalogueFile> ExtractMsgcatFiles(const fs::path& dir)
{
    std::vector<CatalogueFile> files;
    std::error_code status;
    fs::recursive_directory_iterator walk(dir, status);
    if (status) {
        CSLogger::Log(2, "Cannot open dir \"%s\", error message: \"%s\"", dir.c_str(), status.message().c_str());
        return files;
    }
    for (; walk != fs::recursive_directory_iterator(); walk.increment(status)) {
        if (status) {
            break;
        }
        const fs::path& path = walk->path();
        std::error_code typeStatus;
        if (walk->is_regular_file(typeStatus) && path.extension() == ".msgcat") {
            files.push_back({path.parent_path().filename().string(), path.string()});
        }
    }
    if (status) {
        CSLogger::Log(0, "ExtractMsgcatFiles: failed to iterate over \"%s\" : \"%s\"", dir.c_str(),
                      status.message().c_str());
    }
    return files;
}

void AddCatalogueFile(Lumo::L10n::LocalizationBundle& bundle, const CatalogueFile& file)
{
    Lumo::L10n::LocalizationBundle::MessageTable entries;
    std::error_code status = Lumo::L10n::LocalizationBundle::LoadIniFile(file.path, entries);
    // LoadIniFile reports a read that broke off as an I/O error; anything else kept the
    // file from being opened at all.
    if (status && status != std::errc::io_error) {
        CSLogger::Log(0, "Opening file \"%s\" failed : \"%s\"", file.path.c_str(), status.message().c_str());
        return;
    }
    if (status) {
        CSLogger::Log(0, "LoadIniFile(\"%s\") failed = \"%s\", returning...", file.path.c_str(),
                      status.message().c_str());
        return;
    }
    bundle.AddLocale(file.language, std::move(entries));
    CSLogger::Log(2, "Translator: Adding \"%s\" language file \"%s\"", file.language.c_str(), file.path.c_str());
}

void LoadLanguage(TranslatorCatalogues& catalogues, const std::string& language)
{
    const fs::path dir = HostRoot::Path(Translator::kCatalogueDir);
    const std::vector<CatalogueFile> files = ExtractMsgcatFiles(dir);
    for (const CatalogueFile& file : files) {
        if (file.language == language) {
            AddCatalogueFile(catalogues.bundle, file);
        }
    }
    CSLogger::Log(2, "The translator found %lu .msgcat files in directory \"%s\"",
                  static_cast<unsigned long>(files.size()), dir.c_str());
}

// The English text of `id` as the catalogues hold it, loading them on first use.
std::optional<std::string> FindEnglish(std::string_view id)
{
    TranslatorCatalogues& catalogues = Catalogues();
    {
        std::lock_guard lock(catalogues.loadMutex);
        // A language is marked loaded even when no file was found: a later catalogue is
        // not picked up, and a missing directory is not searched again on every lookup.
        if (catalogues.loaded.insert(kEnglish).second) {
            LoadLanguage(catalogues, kEnglish);
        }
    }
    std::optional<std::string> text = catalogues.bundle.Lookup(kEnglish, id);
    if (text && text->size() >= 2 && text->front() == '"' && text->back() == '"') {
        *text = text->substr(1, text->size() - 2);
    }
    return text;
}

}  // namespace

std::string Translator::Lookup(std::string_view id, std::string_view /*locale*/)
{
    return FindEnglish(id).value_or(kUnknownMessage);
}

std::shared_ptr<Lumo::L10n::Localizer> Translator::MakeLocalizer()
{
    // An id missing from the catalogues is reported as missing rather than as
    // kUnknownMessage, so that a message keeps its own default text; messages built from
    // Lookup already carry kUnknownMessage as that text.
    return std::make_shared<Lumo::L10n::Localizer>(
        Languages(), [](std::string_view id, std::string_view /*locale*/) { return FindEnglish(id); });
}

Lumo::L10n::RequestLocalizer Translator::MakeRequestLocalizer()
{
    return Lumo::L10n::RequestLocalizer(MakeLocalizer(), "en_US", "Etc/UTC");
}

const std::vector<std::string>& Translator::Languages()
{
    static const std::vector<std::string> languages{"en", "es", "de", "zh_CN", "zh_TW", "ko", "ja", "fr"};
    return languages;
}

}  // namespace LifeCycle
