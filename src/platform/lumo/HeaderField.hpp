// Lumo::HeaderField: one request header as two views, the form in which the framework's
// helpers read request headers without depending on the transport's types.
//
// A plain value; the views point into the request, which must outlive it.
#pragma once

#include <string_view>
#include <vector>

namespace Lumo {

struct HeaderField {
    std::string_view name;
    std::string_view value;
};

using HeaderFields = std::vector<HeaderField>;

// The fields of `headers`, any range whose elements offer Name() and Value() as text views
// (e.g. the transport's request header range).
template <class HeaderRange>
HeaderFields CollectHeaderFields(const HeaderRange& headers)
{
    HeaderFields fields;
    fields.reserve(16);  // the headers of a usual request, in one allocation
    for (const auto& header : headers) {
        fields.push_back({header.Name(), header.Value()});
    }
    return fields;
}

// `text` without the blanks and tabs HTTP allows around a field value.
inline std::string_view TrimOptionalWhitespace(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace Lumo
