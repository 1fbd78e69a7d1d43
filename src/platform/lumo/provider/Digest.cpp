#include "platform/lumo/provider/Digest.hpp"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/lumo/JsonParser.hpp"
#include "platform/lumo/JsonWriter.hpp"

namespace Lumo::Provider {

namespace {

void WriteCanonical(const rapidjson::Value& json, Protocol::Json::JsonWriter& writer)
{
    if (json.IsObject()) {
        std::vector<const rapidjson::Value::Member*> members;
        for (const auto& member : json.GetObject()) {
            members.push_back(&member);
        }
        std::sort(members.begin(), members.end(), [](const auto* a, const auto* b) {
            return Protocol::Json::View(a->name) < Protocol::Json::View(b->name);
        });
        writer.StartObject();
        for (const auto* member : members) {
            writer.Key(member->name.GetString(), member->name.GetStringLength());
            WriteCanonical(member->value, writer);
        }
        writer.EndObject();
    } else if (json.IsArray()) {
        writer.StartArray();
        for (const auto& item : json.GetArray()) {
            WriteCanonical(item, writer);
        }
        writer.EndArray();
    } else {
        // Scalars have one written form already.
        json.Accept(writer);
    }
}

}  // namespace

std::string Digest::OfText(std::string_view text)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char byte : text) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) {
        hex[i] = kHex[hash & 0xf];
    }
    return hex;
}

std::string Digest::CanonicalJson(const rapidjson::Value& json)
{
    rapidjson::StringBuffer buffer;
    Protocol::Json::JsonWriter writer(buffer);
    WriteCanonical(json, writer);
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string Digest::OfJson(const rapidjson::Value& json) { return OfText(CanonicalJson(json)); }

}  // namespace Lumo::Provider
