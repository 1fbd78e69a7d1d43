#include "platform/lumo/ScalarValue.hpp"

#include <charconv>
#include <cstdio>

namespace Lumo::Data {

void AppendQuotedText(std::string& out, std::string_view text)
{
    out += '"';
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\x%02x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

void AppendScalarText(std::string& out, bool value) { out += value ? "true" : "false"; }

void AppendScalarText(std::string& out, int64_t value) { out += std::to_string(value); }

void AppendScalarText(std::string& out, double value)
{
    char text[32];
    auto result = std::to_chars(text, text + sizeof(text), value);
    out.append(text, result.ptr);
}

void AppendScalarText(std::string& out, const std::vector<uint8_t>& value)
{
    out += "<" + std::to_string(value.size()) + " bytes>";
}

void AppendScalarText(std::string& out, const DateTime& value) { out += value.ToString(); }

}  // namespace Lumo::Data
