// JsonDecoderBase: the walk both value decoders share — the path to the place being
// read, the first fault, the nesting limit — and the readers of the JSON shapes both forms
// read alike: numbers, arrays as lists, and objects as the fields of a compound value.
//
// Derived supplies `DataValuePtr ReadValue(const rapidjson::Value&, size_t depth)` for one
// value within the limit. One decoder per document; not thread-safe.
#pragma once

#include <rapidjson/document.h>

#include <cstddef>
#include <string>

#include "platform/lumo/CompoundValue.hpp"
#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/JsonDecodeResult.hpp"
#include "platform/lumo/JsonErrors.hpp"
#include "platform/lumo/JsonParser.hpp"
#include "platform/lumo/JsonPath.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/ScalarValue.hpp"

namespace Lumo::Protocol::Json {

template <class Derived, std::size_t MaxDepth>
class JsonDecoderBase {
public:
    // The value of `json`, or the error naming the first place that could not be read.
    JsonDecodeResult Run(const rapidjson::Value& json)
    {
        Data::DataValuePtr value = Read(json, 1);
        if (value == nullptr) {
            return {nullptr, error_};
        }
        return {std::move(value), nullptr};
    }

protected:
    // Records the fault at the current place; returns null for the caller to pass up.
    Data::DataValuePtr Fail(std::string reason)
    {
        error_ = JsonErrors::InvalidValue(path_.ToString(), reason);
        return nullptr;
    }

    // Reads the child `json` of the current place, entered as `key` (member or index). On
    // failure the path stays at the child, so the error names it.
    template <typename Key>
    Data::DataValuePtr ReadChild(Key key, const rapidjson::Value& json, std::size_t depth)
    {
        path_.Push(key);
        Data::DataValuePtr value = Read(json, depth);
        if (value != nullptr) {
            path_.Pop();
        }
        return value;
    }

    Data::DataValuePtr Read(const rapidjson::Value& json, std::size_t depth)
    {
        if (depth > MaxDepth) {
            return Fail("values nested deeper than " + std::to_string(MaxDepth) + " levels");
        }
        return static_cast<Derived*>(this)->ReadValue(json, depth);
    }

    Data::DataValuePtr ReadNumber(const rapidjson::Value& json)
    {
        // The parser stores integers as int64 and everything else as double.
        if (json.IsInt64()) {
            return Data::IntegerValue::Create(json.GetInt64());
        }
        if (json.IsDouble()) {
            return Data::DoubleValue::Create(json.GetDouble());
        }
        return Fail("integer out of the 64-bit range");
    }

    Data::DataValuePtr ReadList(const rapidjson::Value& json, std::size_t depth)
    {
        auto list = Data::ListValue::Create();
        list->Reserve(json.Size());
        for (rapidjson::SizeType i = 0; i < json.Size(); ++i) {
            Data::DataValuePtr item = ReadChild(std::size_t{i}, json[i], depth + 1);
            if (item == nullptr) {
                return nullptr;
            }
            list->Add(std::move(item));
        }
        return list;
    }

    // The compound value `Compound` named `name` whose fields are the members of the
    // object `json`; a repeated member is refused as a duplicate `what` ("field", ...).
    template <typename Compound>
    Data::DataValuePtr ReadFields(std::string name, const rapidjson::Value& json, std::size_t depth,
                                  const char* what)
    {
        if (auto duplicate = JsonParser::FindDuplicateKey(json)) {
            return Fail(std::string("duplicate ") + what + " \"" + std::string(*duplicate) + "\"");
        }
        std::vector<Data::CompoundValue::Field> fields;
        fields.reserve(json.MemberCount());
        for (const auto& member : json.GetObject()) {
            Data::DataValuePtr value = ReadChild(View(member.name), member.value, depth + 1);
            if (value == nullptr) {
                return nullptr;
            }
            fields.emplace_back(std::string(View(member.name)), std::move(value));
        }
        return std::make_shared<const Compound>(std::move(name), std::move(fields));
    }

    JsonPath path_;

private:
    Data::ErrorValuePtr error_;
};

}  // namespace Lumo::Protocol::Json
