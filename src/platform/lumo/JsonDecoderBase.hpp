// JsonDecoderBase: the walk both value decoders share — the path to the place being
// read, the first fault, and the nesting limit.
//
// Derived supplies `DataValuePtr ReadValue(const rapidjson::Value&, size_t depth)` for one
// value within the limit. One decoder per document; not thread-safe.
#pragma once

#include <rapidjson/document.h>

#include <cstddef>
#include <string>

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/JsonDecodeResult.hpp"
#include "platform/lumo/JsonErrors.hpp"
#include "platform/lumo/JsonPath.hpp"

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

    JsonPath path_;

private:
    Data::ErrorValuePtr error_;
};

}  // namespace Lumo::Protocol::Json
