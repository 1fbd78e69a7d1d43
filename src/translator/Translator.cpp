#include "translator/Translator.hpp"

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

// Every ".msgcat" regular file below `dir`, with the language named by its parent directory;
// nullopt when the directory cannot be opened. A walk that fails later keeps what it found.
std::optional<std::vector<CatalogueFile>> ExtractMsgcatFiles(const fs::path& dir)
{
    std::vector<CatalogueFile> files;
    std::error_code status;
    fs::recursive_directory_iterator walk(dir, status);
    if (status) {
        CSLogger::Log(2, "Cannot open dir \"%s\", error message: \"%s\"", dir.c_str(), status.message().c_str());
        return std::nullopt;
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
    const std::optional<std::vector<CatalogueFile>> files = ExtractMsgcatFiles(dir);
    if (!files) {
        return;
    }
    for (const CatalogueFile& file : *files) {
        if (file.language == language) {
            AddCatalogueFile(catalogues.bundle, file);
        }
    }
    CSLogger::Log(2, "The translator found %lu .msgcat files in directory \"%s\"",
                  static_cast<unsigned long>(files->size()), dir.c_str());
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
    // Every id renders from the catalogues: one that no catalogue has reads kUnknownMessage,
    // whatever default text its message was built with.
    return std::make_shared<Lumo::L10n::Localizer>(Languages(), [](std::string_view id, std::string_view locale) {
        return std::optional<std::string>(Lookup(id, locale));
    });
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
