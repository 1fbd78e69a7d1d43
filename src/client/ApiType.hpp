// ApiType: a type expression of the API definition as the metamodel writes it
// ("string", "optional<list<com.orvane.hub.task.info>>", "map<string,opaque>").
//
// A plain value; named types (structures, enumerations) are kept by id and looked up in
// the ApiCatalog. Thread-safe as a value.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace HostprefCtl {

class ApiType {
public:
    enum class Kind { Primitive, Optional, List, Set, Map, Named };

    // Parses a type text; throws std::invalid_argument when it is not one.
    static ApiType Parse(std::string_view text);

    Kind GetKind() const { return kind_; }
    // The primitive's name ("string", "long", ...) or the named type's id.
    const std::string& Name() const { return name_; }
    // The element type of an optional, list or set; the value type of a map.
    const ApiType& Element() const { return args_.back(); }

    bool Is(Kind kind) const { return kind_ == kind; }
    bool IsPrimitive(std::string_view name) const { return kind_ == Kind::Primitive && name_ == name; }
    // The type without an outer optional.
    const ApiType& Unwrapped() const { return kind_ == Kind::Optional ? Element() : *this; }

    std::string Text() const;

private:
    // Reads one type from `text` at `at` and moves `at` past it.
    static ApiType Read(std::string_view text, size_t& at);

    Kind kind_ = Kind::Primitive;
    std::string name_;
    std::vector<ApiType> args_;
};

}  // namespace HostprefCtl
