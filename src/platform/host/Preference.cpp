#include "platform/host/Preference.hpp"

#include <map>
#include <mutex>
#include <string_view>

#include "platform/host/CSLogger.hpp"
#include "platform/host/ConfigLines.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/host/Str.hpp"

namespace {

std::mutex preferencesMutex;
std::map<std::string, std::string, std::less<>> preferences;  // guarded by preferencesMutex

bool IsKeyCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

bool IsValidKey(std::string_view key)
{
    if (key.empty()) {
        return false;
    }
    for (char c : key) {
        if (!IsKeyCharacter(c)) {
            return false;
        }
    }
    return true;
}

// A value may be quoted to keep blanks at its ends; the quotes are not part of it.
std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::map<std::string, std::string, std::less<>> ReadPreferences(const std::string& path)
{
    std::map<std::string, std::string, std::less<>> table;
    std::string why;
    const bool read = Str_ForEachConfigLine(path, [&](int number, std::string_view line) {
        const size_t equals = line.find('=');
        const std::string_view key =
            equals == std::string_view::npos ? line : Str_Trim(line.substr(0, equals));
        if (equals == std::string_view::npos || !IsValidKey(key)) {
            CSLogger::Log(1, "Preferences: %s:%d is not 'key = value', skipped", path.c_str(), number);
            return;
        }
        const std::string_view value = Unquote(Str_Trim(line.substr(equals + 1)));
        if (!table.emplace(key, value).second) {
            CSLogger::Log(1, "Preferences: %s:%d sets '%.*s' again, the first value stays", path.c_str(),
                          number, static_cast<int>(key.size()), key.data());
        }
    }, &why);
    if (!read) {
        CSLogger::Log(2, "Preferences: cannot read %s (%s), using defaults", path.c_str(), why.c_str());
    }
    return table;
}

}  // namespace

void Preference_Init()
{
    auto table = ReadPreferences(HostRoot::Path(kPreferencesPath));
    std::lock_guard<std::mutex> lock(preferencesMutex);
    preferences = std::move(table);
}

std::string Preference_GetString(const char* key, const char* defaultValue)
{
    std::lock_guard<std::mutex> lock(preferencesMutex);
    const auto found = key != nullptr ? preferences.find(std::string_view(key)) : preferences.end();
    if (found == preferences.end()) {
        return defaultValue != nullptr ? defaultValue : "";
    }
    return found->second;
}

std::string Preference_GetPathName(const char* key, const char* defaultValue)
{
    std::string path = Preference_GetString(key, "");
    if (path.empty()) {
        path = defaultValue != nullptr ? defaultValue : "";
    }
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}
