#include "platform/lumo/LocalizationBundle.hpp"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace Lumo::L10n {

namespace {

std::string_view TrimBlanks(std::string_view text)
{
    const char* blanks = " \t\r\n\f\v";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// Enters one catalogue line into `entries`; false when the line is malformed.
bool ParseLine(std::string_view raw, LocalizationBundle::MessageTable& entries)
{
    std::string_view line = TrimBlanks(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') {
        return true;
    }
    if (line.front() == '[') {
        return line.size() > 2 && line.back() == ']';
    }
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return false;
    }
    std::string_view key = TrimBlanks(line.substr(0, equals));
    if (key.empty()) {
        return false;
    }
    entries.insert_or_assign(std::string(key), std::string(TrimBlanks(line.substr(equals + 1))));
    return true;
}

}  // namespace

std::error_code LocalizationBundle::LoadIniFile(const std::string& path, MessageTable& entries,
                                                std::vector<MalformedLine>* malformed)
{
    std::error_code status;
    if (std::filesystem::is_directory(path, status)) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    std::ifstream in(path);
    if (!in.is_open()) {
        return std::error_code(errno != 0 ? errno : ENOENT, std::generic_category());
    }
    // Parse into a scratch table so that a read failure leaves the caller's entries untouched.
    MessageTable loaded;
    LoadIni(in, loaded, malformed);
    if (in.bad()) {
        return std::make_error_code(std::errc::io_error);
    }
    for (auto& [id, text] : loaded) {
        entries.insert_or_assign(id, std::move(text));
    }
    return {};
}

void LocalizationBundle::LoadIni(std::istream& in, MessageTable& entries,
                                 std::vector<MalformedLine>* malformed)
{
    std::string line;
    size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string_view view(line);
        // A byte order mark may open a file written by a Windows editor.
        if (number == 1 && view.starts_with("\xEF\xBB\xBF")) {
            view.remove_prefix(3);
        }
        if (!ParseLine(view, entries) && malformed != nullptr) {
            malformed->push_back({number, line});
        }
    }
}

void LocalizationBundle::AddLocale(const std::string& locale, MessageTable entries)
{
    std::unique_lock lock(mutex_);
    MessageTable& table = locales_[locale];
    if (table.empty()) {
        table = std::move(entries);
        return;
    }
    for (auto& [id, text] : entries) {
        table.insert_or_assign(id, std::move(text));
    }
}

std::optional<std::string> LocalizationBundle::Lookup(std::string_view locale, std::string_view id) const
{
    std::shared_lock lock(mutex_);
    auto table = locales_.find(std::string(locale));
    if (table == locales_.end()) {
        return std::nullopt;
    }
    auto entry = table->second.find(std::string(id));
    if (entry == table->second.end()) {
        return std::nullopt;
    }
    return entry->second;
}

bool LocalizationBundle::HasLocale(std::string_view locale) const
{
    std::shared_lock lock(mutex_);
    return locales_.count(std::string(locale)) != 0;
}

}  // namespace Lumo::L10n
