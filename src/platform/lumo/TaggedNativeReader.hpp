// Lumo::Protocol::Json::TaggedNativeReader: reads a native value of the generated bindings
// straight from the tagged JSON form of a parsed document, without building its data value.
//
// Only the exact form the tagged encoder writes is taken: every field of a structure present
// once, type names as declared, optionals as null or {"optional": value}. For anything else
// (the direct form, a bare value for an optional, a missing or unknown field) Read returns
// false and leaves `native` in an unspecified state; the caller then decodes with the codec
// and the adapters, which accept the other forms and tell why a text is refused. So on
// whatever this reader takes, both ways give the same native.
//
// Stateless; thread-safe.
#pragma once

#include <rapidjson/document.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/lumo/DateTime.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/TypeAdapter.hpp"

namespace Lumo::Protocol::Json {

class TaggedNativeReader {
public:
    template <class T>
    static bool Read(const rapidjson::Value& json, T& native)
    {
        if constexpr (std::is_enum_v<T>) {
            return ReadEnum(json, native);
        } else if constexpr (requires { Bindings::TypeAdapter<T>::kFieldCount; }) {
            return ReadStruct(json, native);
        } else {
            return ReadOther(json, native);
        }
    }

private:
    static std::string_view View(const rapidjson::Value& json) { return {json.GetString(), json.GetStringLength()}; }

    // The value of the one member of `json` named `prefix` + `name`, or null.
    static const rapidjson::Value* Tagged(const rapidjson::Value& json, std::string_view prefix,
                                          std::string_view name = {})
    {
        if (!json.IsObject() || json.MemberCount() != 1) {
            return nullptr;
        }
        const auto& member = *json.MemberBegin();
        std::string_view tag = View(member.name);
        if (tag.size() != prefix.size() + name.size() || !tag.starts_with(prefix) || !tag.ends_with(name)) {
            return nullptr;
        }
        return &member.value;
    }

    // The fields object of a structure of type `typeName` holding exactly `count` members.
    static const rapidjson::Value* Fields(const rapidjson::Value& json, std::string_view typeName, size_t count)
    {
        const rapidjson::Value* fields = Tagged(json, "struct:", typeName);
        return fields != nullptr && fields->IsObject() && fields->MemberCount() == count ? fields : nullptr;
    }

    // Reads field `name` of `fields`. With as many members as fields and every field found,
    // no member is unknown or repeated.
    template <class F>
    static bool ReadField(const rapidjson::Value& fields, std::string_view name, F& native)
    {
        auto member = fields.FindMember(rapidjson::StringRef(name.data(), name.size()));
        return member != fields.MemberEnd() && Read(member->value, native);
    }

    template <class T>
    static bool ReadStruct(const rapidjson::Value& json, T& native)
    {
        using Adapter = Bindings::TypeAdapter<T>;
        const rapidjson::Value* fields = Fields(json, T::kTypeId, Adapter::kFieldCount);
        return fields != nullptr && Adapter::VisitFields(native, [fields](std::string_view name, auto& field) {
                   return ReadField(*fields, name, field);
               });
    }

    template <class E>
    static bool ReadEnum(const rapidjson::Value& json, E& native)
    {
        const rapidjson::Value* text = Tagged(json, "enum:", Bindings::EnumTraits<E>::kTypeId);
        if (text == nullptr || !text->IsString()) {
            return false;
        }
        const auto& names = Bindings::EnumTraits<E>::kNames;
        for (size_t i = 0; i < names.size(); ++i) {
            if (names[i] == View(*text)) {
                native = static_cast<E>(i);
                return true;
            }
        }
        return false;
    }

    static bool ReadOther(const rapidjson::Value& json, std::string& native)
    {
        if (!json.IsString()) {
            return false;
        }
        native.assign(json.GetString(), json.GetStringLength());
        return true;
    }

    static bool ReadOther(const rapidjson::Value& json, int64_t& native)
    {
        if (!json.IsInt64()) {
            return false;
        }
        native = json.GetInt64();
        return true;
    }

    static bool ReadOther(const rapidjson::Value& json, bool& native)
    {
        if (!json.IsBool()) {
            return false;
        }
        native = json.GetBool();
        return true;
    }

    static bool ReadOther(const rapidjson::Value& json, DateTime& native)
    {
        const rapidjson::Value* text = Tagged(json, "datetime");
        if (text == nullptr || !text->IsString()) {
            return false;
        }
        auto time = DateTime::Create(View(*text));
        if (!time) {
            return false;
        }
        native = *time;
        return true;
    }

    static bool ReadOther(const rapidjson::Value& json, Com::Orvane::Lumo::Std::LocalizableMessage& native)
    {
        const rapidjson::Value* fields = Fields(json, Com::Orvane::Lumo::Std::LocalizableMessage::kTypeName, 4);
        return fields != nullptr && ReadField(*fields, "id", native.id) &&
               ReadField(*fields, "default_message", native.defaultMessage) &&
               ReadField(*fields, "args", native.args) && ReadField(*fields, "localized", native.localized);
    }

    // An unset optional is null; a set one is {"optional": value} around a value that is
    // not itself null (a set optional holding the unset one is left to the adapters).
    template <class T>
    static bool ReadOther(const rapidjson::Value& json, std::optional<T>& native)
    {
        if (json.IsNull()) {
            native.reset();
            return true;
        }
        const rapidjson::Value* inner = Tagged(json, "optional");
        if (inner == nullptr || inner->IsNull()) {
            return false;
        }
        native.emplace();
        return Read(*inner, *native);
    }

    template <class T>
    static bool ReadOther(const rapidjson::Value& json, std::vector<T>& native)
    {
        if (!json.IsArray()) {
            return false;
        }
        native.clear();
        native.reserve(json.Size());
        for (const auto& item : json.GetArray()) {
            if (!Read(item, native.emplace_back())) {
                return false;
            }
        }
        return true;
    }

    // A repeated key is left to the adapters.
    template <class V>
    static bool ReadOther(const rapidjson::Value& json, std::map<std::string, V>& native)
    {
        const rapidjson::Value* entries = Tagged(json, "map");
        if (entries == nullptr || !entries->IsObject()) {
            return false;
        }
        native.clear();
        for (const auto& entry : entries->GetObject()) {
            auto [slot, added] = native.try_emplace(std::string(View(entry.name)));
            if (!added || !Read(entry.value, slot->second)) {
                return false;
            }
        }
        return true;
    }
};

}  // namespace Lumo::Protocol::Json
