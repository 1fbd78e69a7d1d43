// TarnConfigStore::JsonFile: reading a JSON document from a file, and replacing a file so
// that a reader (or a crash at any moment) sees either the old content or the new one,
// never a mix: the new text goes to a temporary file beside it, is synced, and is renamed
// over the old one.
//
// Static only; thread-safe for distinct paths.
#pragma once

#include <rapidjson/document.h>

#include <string>
#include <string_view>

namespace TarnConfigStore {

class JsonFile {
public:
    enum class ReadStatus { kOk, kMissing, kUnreadable, kMalformed };

    // Values nested deeper than this are refused by Parse.
    static constexpr size_t kMaxDepth = 64;

    // Parses `text` into `document`: empty when it is one JSON value with no object that
    // names a member twice and no nesting deeper than kMaxDepth, else what is wrong. Input
    // from clients goes through here: a repeated name would make two readers of the same
    // document see different values, and the reader never recurses, however deep the text.
    static std::string Parse(std::string_view text, rapidjson::Document& document);

    // Reads local file `path` into `document` (see Parse); on failure `reason` says why.
    static ReadStatus Read(const std::string& path, rapidjson::Document& document, std::string& reason);

    // Replaces local file `path` with `text`, creating its directory when missing. Throws
    // std::system_error (the old file untouched, no temporary left) when it cannot.
    static void Replace(const std::string& path, std::string_view text);

    // `value` as compact JSON text.
    static std::string ToText(const rapidjson::Value& value);
};

}  // namespace TarnConfigStore
