#include "platform/host/configmanager/KeyValidator.hpp"

#include <rapidjson/pointer.h>
#include <rapidjson/schema.h>
#include <rapidjson/stringbuffer.h>

#include <string_view>

#include "platform/host/configmanager/JsonFile.hpp"

namespace TarnConfigManager {

namespace {

constexpr size_t kExcerptLength = 80;

struct KeywordMessage {
    std::string_view keyword;
    const char* id;
    const char* text;
};

// What each refused schema keyword tells the user; {1} the setting, {2} its value, {3} the
// keyword's limit in the schema.
constexpr KeywordMessage kKeywordMessages[] = {
    {"type", "com.orvane.tarn.settings.validation.type", "{1}: the value {2} is not of type {3}."},
    {"enum", "com.orvane.tarn.settings.validation.enum", "{1}: the value {2} is not one of {3}."},
    {"minimum", "com.orvane.tarn.settings.validation.minimum",
     "{1}: the value {2} is less than the minimum {3}."},
    {"maximum", "com.orvane.tarn.settings.validation.maximum",
     "{1}: the value {2} is greater than the maximum {3}."},
    {"pattern", "com.orvane.tarn.settings.validation.pattern", "{1}: the value {2} is not a valid {3}."},
};
constexpr KeywordMessage kOtherKeyword = {"", "com.orvane.tarn.settings.validation.constraint",
                                          "{1}: the value {2} breaks the schema rule {3}."};

const KeywordMessage& MessageFor(std::string_view keyword)
{
    for (const KeywordMessage& entry : kKeywordMessages) {
        if (entry.keyword == keyword) return entry;
    }
    return kOtherKeyword;
}

// The limit the user broke, as the schema states it; a pattern is named by the schema's
// "x-format-name" when it has one.
std::string LimitText(const rapidjson::Value* schema, std::string_view keyword)
{
    if (schema == nullptr || !schema->IsObject()) return std::string(keyword);
    if (keyword == "pattern") {
        const auto name = schema->FindMember("x-format-name");
        if (name != schema->MemberEnd() && name->value.IsString()) return name->value.GetString();
    }
    const auto limit = schema->FindMember(rapidjson::StringRef(keyword.data(), keyword.size()));
    if (limit == schema->MemberEnd()) return std::string(keyword);
    return limit->value.IsString() ? limit->value.GetString() : KeyValidator::Excerpt(limit->value);
}

}  // namespace

std::optional<KeyValidator::Failure> KeyValidator::Check(const TarnSchemaStore::KeySchema& key,
                                                         const rapidjson::Value& value)
{
    rapidjson::SchemaValidator validator(*key.compiled);
    if (value.Accept(validator)) return std::nullopt;

    rapidjson::StringBuffer inner;
    validator.GetInvalidDocumentPointer().Stringify(inner);
    const std::string path = key.Path() + inner.GetString();

    const std::string_view keyword = validator.GetInvalidSchemaKeyword();
    const rapidjson::Value* schema = validator.GetInvalidSchemaPointer().Get(key.schema);
    const rapidjson::Value* offending = validator.GetInvalidDocumentPointer().Get(value);
    const KeywordMessage& message = MessageFor(keyword);
    return Failure{
        path,
        {message.id,
         message.text,
         {path, offending != nullptr ? Excerpt(*offending) : Excerpt(value), LimitText(schema, keyword)}}};
}

LocalizableMessage KeyValidator::UnknownSetting(const std::string& path)
{
    return {"com.orvane.tarn.settings.validation.unknown", "{1} is not a setting of this host.", {path}};
}

std::string KeyValidator::Excerpt(const rapidjson::Value& value)
{
    std::string text = TarnConfigStore::JsonFile::ToText(value);
    if (text.size() > kExcerptLength) {
        text.resize(kExcerptLength - 3);
        text += "...";
    }
    return text;
}

}  // namespace TarnConfigManager
