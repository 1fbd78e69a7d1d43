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

    // Reads local file `path` into `document`; on failure `reason` says why.
    static ReadStatus Read(const std::string& path, rapidjson::Document& document, std::string& reason);

    // Replaces local file `path` with `text`, creating its directory when missing. Throws
    // std::system_error (the old file untouched, no temporary left) when it cannot.
    static void Replace(const std::string& path, std::string_view text);

    // `value` as compact JSON text.
    static std::string ToText(const rapidjson::Value& value);
};

}  // namespace TarnConfigStore
