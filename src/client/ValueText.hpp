// ValueText: the readable text of a value in the direct JSON form — one line for
// scalars, messages and short lists, an indented "name: value" outline for the rest.
// Localizable messages read as their rendered text. Stateless.
#pragma once

#include <rapidjson/document.h>

#include <string>
#include <vector>

namespace HostprefCtl {

class ValueText {
public:
    // Whether `value` has the fields of a localizable message.
    static bool IsMessage(const rapidjson::Value& value);
    // A message's rendered text (its default text when none was rendered).
    static std::string Message(const rapidjson::Value& message);

    // Whether `value` fits on one line: scalars, null, messages, lists of those, empties.
    static bool IsInline(const rapidjson::Value& value);
    // The one-line text of an inline value ("-" for null); JSON text for anything else.
    static std::string Inline(const rapidjson::Value& value);
    // The inline text of `object`'s member `name`; "" when it has none.
    static std::string Member(const rapidjson::Value& object, const char* name);

    // The outline of `value`: objects as aligned "name: value" lines, list items behind
    // "- ", nested values indented two blanks deeper.
    static std::vector<std::string> Lines(const rapidjson::Value& value);

    // Pretty JSON text with two-blank indents.
    static std::string Json(const rapidjson::Value& value);
};

}  // namespace HostprefCtl
