// Lumo::Provider::Metadata::MetadataFile: one parsed metadata file, with the checked
// accessors the metadata containers read it through. Every fault throws a
// MetadataFileError that names the file and the place in it.
//
// Owned by the loader for the duration of one load; not shared, no lock.
#pragma once

#include <rapidjson/document.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/lumo/DataValue.hpp"

namespace Lumo::Provider::Metadata {

class MetadataFile {
public:
    // Reads and parses `path`: it must hold one JSON object without repeated member names
    // whose "component" member is `component`.
    MetadataFile(std::string path, std::string_view component);

    const std::string& Path() const { return path_; }
    const rapidjson::Value& Root() const { return document_; }

    // The objects of the array member `name` of `object`; `where` names `object` in
    // messages ("" for the root). A missing member is an empty list unless `required`.
    std::vector<const rapidjson::Value*> Objects(const rapidjson::Value& object, const char* name,
                                                 std::string_view where, bool required) const;
    // The strings of the array member `name` of `object` (missing: empty).
    std::vector<std::string> Strings(const rapidjson::Value& object, const char* name,
                                     std::string_view where) const;
    // The non-empty string member `name` of `object`.
    std::string String(const rapidjson::Value& object, const char* name, std::string_view where) const;

    // `json` as a data value (objects become untyped structures).
    Data::DataValuePtr ToValue(const rapidjson::Value& json, std::string_view where) const;

    // Throws the kInvalid error for `detail`.
    [[noreturn]] void Invalid(std::string detail) const;
    // Throws the kDuplicate error for `detail`.
    [[noreturn]] void Duplicate(std::string detail) const;

private:
    std::string path_;
    rapidjson::Document document_;
};

}  // namespace Lumo::Provider::Metadata
