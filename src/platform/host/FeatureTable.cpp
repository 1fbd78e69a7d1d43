#include "platform/host/FeatureTable.hpp"

#include <charconv>
#include <sstream>

#include "platform/host/CSLogger.hpp"
#include "platform/host/ConfigLines.hpp"
#include "platform/host/Str.hpp"

namespace {

bool IsValidName(std::string_view name)
{
    if (name.empty() || !((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) {
        return false;
    }
    for (char c : name) {
        const bool letterOrDigit = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != '_' && c != '.' && c != '-') {
            return false;
        }
    }
    return true;
}

std::optional<size_t> ParsePosition(const std::string& text)
{
    size_t position = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, position);
    if (error != std::errc() || stop != end || position >= FeatureTable::kSize) {
        return std::nullopt;
    }
    return position;
}

std::optional<bool> ParseState(const std::string& text)
{
    if (text == "enabled") {
        return true;
    }
    if (text == "disabled") {
        return false;
    }
    return std::nullopt;
}

}  // namespace

FeatureTable FeatureTable::Load(const std::string& path)
{
    FeatureTable table;
    std::string why;
    const bool read = Str_ForEachConfigLine(path, [&](int number, std::string_view line) {
        std::istringstream words{std::string(line)};
        std::string positionText, name, stateText, extra;
        words >> positionText >> name >> stateText >> extra;
        const auto position = ParsePosition(positionText);
        const auto state = ParseState(stateText);
        if (!position || !IsValidName(name) || !state || !extra.empty()) {
            CSLogger::Log(1, "Features: %s:%d is not '<position> <Name> enabled|disabled', skipped",
                          path.c_str(), number);
            return;
        }
        if (!table.Add(*position, name, *state)) {
            CSLogger::Log(1, "Features: %s:%d repeats position %zu or name %s, skipped", path.c_str(), number,
                          *position, name.c_str());
        }
    }, &why);
    if (!read) {
        CSLogger::Log(1, "Features: cannot read %s (%s), every feature is disabled", path.c_str(), why.c_str());
    }
    return table;
}

bool FeatureTable::Add(size_t position, std::string name, bool enabled)
{
    if (byPosition_.count(position) > 0 || byName_.count(name) > 0) {
        return false;
    }
    byPosition_.emplace(position, enabled);
    byName_.emplace(std::move(name), enabled);
    return true;
}

std::optional<bool> FeatureTable::Find(std::string_view name) const
{
    const auto found = byName_.find(name);
    if (found == byName_.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool FeatureTable::IsEnabledAt(size_t position) const
{
    const auto found = byPosition_.find(position);
    return found != byPosition_.end() && found->second;
}
