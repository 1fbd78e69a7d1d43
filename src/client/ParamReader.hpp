// ParamReader: turns the texts given for one parameter on the command line into the JSON
// value of the call, checked against the parameter's declared type.
//
// Scalars are written as they are ("42", "true", "VALID"); structures, maps, lists and
// opaque values as JSON text. "@FILE" stands for the content of FILE ("@-" for standard
// input) wherever a text or JSON is expected, and a list of plain items may also be given
// by repeating the option. Every mistake is a UsageError naming the option and the place.
// Stateless apart from the catalogue it reads; not thread-safe (it may read stdin).
#pragma once

#include <rapidjson/document.h>

#include <string>
#include <vector>

#include "client/ApiCatalog.hpp"

namespace HostprefCtl {

class ParamReader {
public:
    explicit ParamReader(const ApiCatalog& catalog) : catalog_(catalog) {}

    // The value of `param` from its option's texts (one per occurrence, at least one).
    rapidjson::Value Read(const ApiMember& param, const std::vector<std::string>& texts,
                          rapidjson::Document::AllocatorType& allocator) const;

    // Whether values of `type` are written as plain words rather than JSON.
    bool IsPlain(const ApiType& type) const;
    // What the help shows for a value of `type`: "INT", "{VALID,INVALID}", "JSON|@FILE" ...
    std::string Placeholder(const ApiType& type) const;

    // The option of a parameter: "--desired-document" for "desired_document".
    static std::string OptionName(const std::string& param);
    // The text itself, or the content of the file it names with "@".
    static std::string Load(const std::string& text, const std::string& where);

private:
    rapidjson::Value ReadPlain(const ApiType& type, const std::string& text, const std::string& where,
                               rapidjson::Document::AllocatorType& allocator) const;
    void Check(const rapidjson::Value& value, const ApiType& type, const std::string& where) const;
    void CheckNamed(const rapidjson::Value& value, const ApiType& type, const std::string& where) const;
    void CheckText(const std::string& text, const ApiType& type, const std::string& where) const;

    const ApiCatalog& catalog_;
};

}  // namespace HostprefCtl
