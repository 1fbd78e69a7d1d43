#include "client/ApiType.hpp"

#include <stdexcept>
#include <utility>

namespace HostprefCtl {

namespace {

[[noreturn]] void FailTypeText(std::string_view text, const char* why)
{
    throw std::invalid_argument("bad type '" + std::string(text) + "': " + why);
}

bool TakeTypeChar(std::string_view text, size_t& at, char c)
{
    if (at < text.size() && text[at] == c) {
        ++at;
        return true;
    }
    return false;
}

}  // namespace

ApiType ApiType::Parse(std::string_view text)
{
    size_t at = 0;
    ApiType type = Read(text, at);
    if (at != text.size()) FailTypeText(text, "trailing text");
    return type;
}

ApiType ApiType::Read(std::string_view text, size_t& at)
{
    const size_t start = at;
    while (at < text.size() && text[at] != '<' && text[at] != '>' && text[at] != ',') ++at;
    if (at == start) FailTypeText(text, "a type name is missing");
    ApiType type;
    type.name_ = std::string(text.substr(start, at - start));
    static const std::pair<const char*, Kind> containers[] = {
        {"optional", Kind::Optional}, {"list", Kind::List}, {"set", Kind::Set}, {"map", Kind::Map}};
    for (const auto& [name, kind] : containers) {
        if (type.name_ != name) continue;
        type.kind_ = kind;
        if (!TakeTypeChar(text, at, '<')) FailTypeText(text, "'<' expected");
        do {
            type.args_.push_back(Read(text, at));
        } while (TakeTypeChar(text, at, ','));
        if (!TakeTypeChar(text, at, '>')) FailTypeText(text, "'>' expected");
        if (type.args_.size() != (kind == Kind::Map ? 2u : 1u)) FailTypeText(text, "wrong number of type arguments");
        return type;
    }
    // Named types are dotted ids; the primitives are single words.
    type.kind_ = type.name_.find('.') == std::string::npos ? Kind::Primitive : Kind::Named;
    return type;
}

std::string ApiType::Text() const
{
    switch (kind_) {
    case Kind::Optional: return "optional<" + Element().Text() + ">";
    case Kind::List: return "list<" + Element().Text() + ">";
    case Kind::Set: return "set<" + Element().Text() + ">";
    case Kind::Map: return "map<" + args_.front().Text() + "," + Element().Text() + ">";
    default: return name_;
    }
}

}  // namespace HostprefCtl
