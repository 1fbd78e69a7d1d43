#include "platform/lumo/provider/MetadataFile.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/JsonParser.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/provider/MetadataFileError.hpp"

namespace Lumo::Provider::Metadata {

namespace {

using Kind = MetadataFileError::Kind;

std::string ReadWholeFile(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        throw MetadataFileError(Kind::kUnreadable, path, "no such file");
    }
    if (!std::filesystem::is_regular_file(path, ec)) {
        throw MetadataFileError(Kind::kUnreadable, path, "not a regular file");
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf())) {
        // An empty file reads nothing and sets failbit too; the parser reports that better.
        if (in && std::filesystem::file_size(path, ec) == 0) {
            return {};
        }
        throw MetadataFileError(Kind::kUnreadable, path, std::strerror(errno));
    }
    return std::move(text).str();
}

// The first message text of a decoder's error value, which already says where and why.
std::string FirstMessageText(const Data::ErrorValuePtr& error)
{
    auto messages = Data::ValueCast<Data::ListValue>(error->GetField(Data::ErrorValue::kMessagesField));
    if (messages && messages->Size() > 0) {
        if (auto message = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*messages->Items()[0])) {
            return message->localized;
        }
    }
    return error->ToString();
}

// The JSON pointer-like place of the first object, at any depth, that repeats a member name.
std::optional<std::string> FindRepeatedMember(const rapidjson::Value& json, const std::string& where)
{
    if (json.IsObject()) {
        if (auto name = Protocol::Json::JsonParser::FindDuplicateKey(json)) {
            return where + "/" + std::string(*name);
        }
        for (const auto& member : json.GetObject()) {
            if (auto found = FindRepeatedMember(member.value, where + "/" + member.name.GetString())) {
                return found;
            }
        }
    } else if (json.IsArray()) {
        for (rapidjson::SizeType i = 0; i < json.Size(); ++i) {
            if (auto found = FindRepeatedMember(json[i], where + "/" + std::to_string(i))) {
                return found;
            }
        }
    }
    return std::nullopt;
}

std::string Place(std::string_view where, const char* name)
{
    return where.empty() ? std::string(name) : std::string(where) + "." + name;
}

}  // namespace

MetadataFile::MetadataFile(std::string path, std::string_view component) : path_(std::move(path))
{
    std::string text = ReadWholeFile(path_);
    if (auto error = Protocol::Json::JsonParser::Parse(text, document_)) {
        throw MetadataFileError(Kind::kMalformed, path_, FirstMessageText(error));
    }
    if (!document_.IsObject()) {
        Invalid("the document is not a JSON object");
    }
    if (auto repeated = FindRepeatedMember(document_, "")) {
        Invalid("member " + *repeated + " appears more than once");
    }
    std::string named = String(document_, "component", "");
    if (named != component) {
        Invalid("it describes component '" + named + "', expected '" + std::string(component) + "'");
    }
}

std::vector<const rapidjson::Value*> MetadataFile::Objects(const rapidjson::Value& object, const char* name,
                                                           std::string_view where, bool required) const
{
    std::vector<const rapidjson::Value*> objects;
    auto member = object.FindMember(name);
    if (member == object.MemberEnd()) {
        if (required) {
            Invalid("member '" + Place(where, name) + "' is missing");
        }
        return objects;
    }
    if (!member->value.IsArray()) {
        Invalid("member '" + Place(where, name) + "' is not an array");
    }
    for (rapidjson::SizeType i = 0; i < member->value.Size(); ++i) {
        const rapidjson::Value& item = member->value[i];
        if (!item.IsObject()) {
            Invalid("'" + Place(where, name) + "[" + std::to_string(i) + "]' is not an object");
        }
        objects.push_back(&item);
    }
    return objects;
}

std::vector<std::string> MetadataFile::Strings(const rapidjson::Value& object, const char* name,
                                               std::string_view where) const
{
    std::vector<std::string> strings;
    auto member = object.FindMember(name);
    if (member == object.MemberEnd()) {
        return strings;
    }
    if (!member->value.IsArray()) {
        Invalid("member '" + Place(where, name) + "' is not an array");
    }
    for (const auto& item : member->value.GetArray()) {
        if (!item.IsString()) {
            Invalid("member '" + Place(where, name) + "' holds something other than strings");
        }
        strings.emplace_back(Protocol::Json::View(item));
    }
    return strings;
}

std::string MetadataFile::String(const rapidjson::Value& object, const char* name, std::string_view where) const
{
    auto member = object.FindMember(name);
    if (member == object.MemberEnd()) {
        Invalid("member '" + Place(where, name) + "' is missing");
    }
    if (!member->value.IsString() || member->value.GetStringLength() == 0) {
        Invalid("member '" + Place(where, name) + "' is not a non-empty string");
    }
    return std::string(Protocol::Json::View(member->value));
}

Data::DataValuePtr MetadataFile::ToValue(const rapidjson::Value& json, std::string_view where) const
{
    auto decoded = Protocol::Json::DirectJsonCodec::FromJson(json);
    if (!decoded.Ok()) {
        Invalid("'" + std::string(where) + "': " + FirstMessageText(decoded.error));
    }
    return decoded.value;
}

void MetadataFile::Invalid(std::string detail) const
{
    throw MetadataFileError(Kind::kInvalid, path_, std::move(detail));
}

void MetadataFile::Duplicate(std::string detail) const
{
    throw MetadataFileError(Kind::kDuplicate, path_, std::move(detail));
}

}  // namespace Lumo::Provider::Metadata
