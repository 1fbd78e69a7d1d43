#include "platform/host/ConfigLines.hpp"

#include <fstream>

#include "platform/host/Str.hpp"

bool Str_ForEachConfigLine(const std::string& path, const std::function<void(int, std::string_view)>& line)
{
    std::ifstream file(path);
    if (!file) {
        return false;
    }
    std::string raw;
    for (int number = 1; std::getline(file, raw); ++number) {
        const std::string_view text = Str_Trim(raw);
        if (!text.empty() && text.front() != '#') {
            line(number, text);
        }
    }
    return true;
}
