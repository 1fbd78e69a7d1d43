// Lumo::L10n::LocalizationBundle: message texts by locale and message id, filled from
// INI-style catalogue files.
//
// Shared by the localizers of the process; every method is thread-safe (lookups take a
// shared lock, AddLocale an exclusive one).
#pragma once

#include <istream>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace Lumo::L10n {

class LocalizationBundle {
public:
    // Message id to text.
    using MessageTable = std::unordered_map<std::string, std::string>;

    // A line of a catalogue that was skipped because it is not an entry, comment or section.
    struct MalformedLine {
        size_t number;  // 1-based
        std::string text;
    };

    // Reads the catalogue at `path` into `entries` (see LoadIni for the syntax). A file that
    // cannot be opened or read gives its system error code and leaves `entries` unchanged;
    // malformed lines do not fail the load, they are skipped and listed in `malformed`.
    static std::error_code LoadIniFile(const std::string& path, MessageTable& entries,
                                       std::vector<MalformedLine>* malformed = nullptr);

    // Reads catalogue lines from `in`: "id = text" entries (blanks around both trimmed, the
    // text otherwise verbatim, quotes included; a later entry for an id wins), blank lines,
    // comments starting with '#' or ';', and "[section]" headers, which are ignored.
    static void LoadIni(std::istream& in, MessageTable& entries,
                        std::vector<MalformedLine>* malformed = nullptr);

    // Adds `entries` to the texts of `locale` (e.g. "en" or "en_US"); on a repeated id the new text wins.
    void AddLocale(const std::string& locale, MessageTable entries);

    // The text of `id` for exactly `locale`, or nullopt.
    std::optional<std::string> Lookup(std::string_view locale, std::string_view id) const;

    bool HasLocale(std::string_view locale) const;

private:
    mutable std::shared_mutex mutex_;
    std::unordered_map<std::string, MessageTable> locales_;  // guarded by mutex_
};

}  // namespace Lumo::L10n
