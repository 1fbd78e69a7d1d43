#include "platform/lumo/JsonPath.hpp"

namespace Lumo::Protocol::Json {

std::string JsonPath::ToString() const
{
    if (segments_.empty()) {
        return "/";
    }
    std::string out;
    for (const auto& segment : segments_) {
        out += '/';
        if (const auto* index = std::get_if<size_t>(&segment)) {
            out += std::to_string(*index);
            continue;
        }
        for (char c : std::get<std::string_view>(segment)) {
            if (c == '~') {
                out += "~0";
            } else if (c == '/') {
                out += "~1";
            } else {
                out += c;
            }
        }
    }
    return out;
}

}  // namespace Lumo::Protocol::Json
