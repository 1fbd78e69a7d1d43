// Lumo::Protocol::Json::JsonPath: the position a decoder has reached in a JSON document,
// for error messages. Holds views into the document, so it lives no longer than it.
//
// Used by one decoder on one thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace Lumo::Protocol::Json {

class JsonPath {
public:
    // Enters object member `key`.
    void Push(std::string_view key) { segments_.emplace_back(key); }
    // Enters array element `index`.
    void Push(size_t index) { segments_.emplace_back(index); }
    // Leaves the innermost member or element.
    void Pop() { segments_.pop_back(); }

    // JSON pointer form ("/params/0/name", "~" and "/" escaped); "/" for the root.
    std::string ToString() const;

private:
    std::vector<std::variant<std::string_view, size_t>> segments_;
};

}  // namespace Lumo::Protocol::Json
