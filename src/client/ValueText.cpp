#include "client/ValueText.hpp"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>

namespace HostprefCtl {

namespace {

bool IsScalar(const rapidjson::Value& value)
{
    return !value.IsObject() && !value.IsArray();
}

std::string CompactJson(const rapidjson::Value& value)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    value.Accept(writer);
    return {buffer.GetString(), buffer.GetSize()};
}

std::vector<std::string> Indented(const std::vector<std::string>& lines, const std::string& first,
                                  const std::string& rest)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < lines.size(); ++i) out.push_back((i == 0 ? first : rest) + lines[i]);
    return out;
}

}  // namespace

bool ValueText::IsMessage(const rapidjson::Value& value)
{
    return value.IsObject() && value.HasMember("id") && value.HasMember("default_message") &&
           value.HasMember("localized");
}

std::string ValueText::Message(const rapidjson::Value& message)
{
    const std::string localized = Member(message, "localized");
    return localized.empty() ? Member(message, "default_message") : localized;
}

bool ValueText::IsInline(const rapidjson::Value& value)
{
    if (IsScalar(value) || IsMessage(value)) return true;
    if (value.IsObject()) return value.MemberCount() == 0;
    return std::all_of(value.Begin(), value.End(),
                       [](const rapidjson::Value& item) { return IsScalar(item) || IsMessage(item); });
}

std::string ValueText::Inline(const rapidjson::Value& value)
{
    if (value.IsNull()) return "-";
    if (value.IsString()) return {value.GetString(), value.GetStringLength()};
    if (IsMessage(value)) return Message(value);
    if (value.IsArray() && IsInline(value)) {
        std::string text;
        for (const auto& item : value.GetArray()) text += (text.empty() ? "" : ", ") + Inline(item);
        return text.empty() ? "-" : text;
    }
    if (value.IsObject() && value.MemberCount() == 0) return "-";
    return CompactJson(value);
}

std::string ValueText::Member(const rapidjson::Value& object, const char* name)
{
    if (!object.IsObject() || !object.HasMember(name) || object[name].IsNull()) return "";
    return Inline(object[name]);
}

std::vector<std::string> ValueText::Lines(const rapidjson::Value& value)
{
    std::vector<std::string> lines;
    if (IsInline(value)) {
        lines.push_back(Inline(value));
    } else if (value.IsArray()) {
        for (const auto& item : value.GetArray()) {
            for (std::string& line : Indented(Lines(item), "- ", "  ")) lines.push_back(std::move(line));
        }
    } else {
        size_t width = 0;
        for (const auto& member : value.GetObject()) width = std::max<size_t>(width, member.name.GetStringLength());
        for (const auto& member : value.GetObject()) {
            std::string label = std::string(member.name.GetString()) + ":";
            if (IsInline(member.value)) {
                label.resize(width + 2, ' ');
                lines.push_back(label + Inline(member.value));
                continue;
            }
            lines.push_back(label);
            for (std::string& line : Indented(Lines(member.value), "  ", "  ")) lines.push_back(std::move(line));
        }
    }
    return lines;
}

std::string ValueText::Json(const rapidjson::Value& value)
{
    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
    writer.SetIndent(' ', 2);
    value.Accept(writer);
    return {buffer.GetString(), buffer.GetSize()};
}

}  // namespace HostprefCtl
