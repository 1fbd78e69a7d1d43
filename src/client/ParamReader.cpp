#include "client/ParamReader.hpp"

#include <rapidjson/error/en.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <regex>

#include "client/ClientError.hpp"

namespace HostprefCtl {

namespace {

using Kind = ApiType::Kind;

// The primitives that travel as JSON strings but have a form of their own.
const std::regex kDateTimeForm(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d{1,9})?(Z|[+-]\d\d:\d\d))");
const std::regex kBase64Form(R"(([A-Za-z0-9+/]{4})*([A-Za-z0-9+/]{2}==|[A-Za-z0-9+/]{3}=)?)");

[[noreturn]] void Refuse(const std::string& where, const std::string& why)
{
    throw UsageError(where + ": " + why);
}

bool IsTextPrimitive(const ApiType& type)
{
    return type.IsPrimitive("string") || type.IsPrimitive("secret") || type.IsPrimitive("uri") ||
           type.IsPrimitive("date_time") || type.IsPrimitive("binary");
}

long long ParseInteger(const std::string& text, const std::string& where)
{
    long long number = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || end != text.data() + text.size()) Refuse(where, "expected an integer, got '" + text + "'");
    return number;
}

double ParseDouble(const std::string& text, const std::string& where)
{
    char* end = nullptr;
    errno = 0;
    const double number = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE) Refuse(where, "expected a number, got '" + text + "'");
    return number;
}

const char* JsonKindName(const rapidjson::Value& value)
{
    if (value.IsNull()) return "null";
    if (value.IsBool()) return "a boolean";
    if (value.IsNumber()) return "a number";
    if (value.IsString()) return "a string";
    if (value.IsArray()) return "a list";
    return "an object";
}

void ExpectJson(bool ok, const rapidjson::Value& value, const std::string& where, const char* expected)
{
    if (!ok) Refuse(where, std::string("expected ") + expected + ", found " + JsonKindName(value));
}

}  // namespace

std::string ParamReader::OptionName(const std::string& param)
{
    std::string name = "--" + param;
    for (char& c : name) c = c == '_' ? '-' : c;
    return name;
}

std::string ParamReader::Load(const std::string& text, const std::string& where)
{
    if (!text.starts_with("@")) return text;
    const std::string path = text.substr(1);
    if (path == "-") return {std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    std::ifstream file(path, std::ios::binary);
    if (!file) Refuse(where, "cannot read " + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool ParamReader::IsPlain(const ApiType& type) const
{
    const ApiType& bare = type.Unwrapped();
    if (bare.Is(Kind::Named)) return catalog_.FindEnum(bare.Name()) != nullptr;
    return bare.Is(Kind::Primitive) && !bare.IsPrimitive("opaque") && !bare.IsPrimitive("error");
}

std::string ParamReader::Placeholder(const ApiType& type) const
{
    const ApiType& bare = type.Unwrapped();
    if ((bare.Is(Kind::List) || bare.Is(Kind::Set)) && IsPlain(bare.Element())) {
        return Placeholder(bare.Element()) + "...";
    }
    if (const auto* values = bare.Is(Kind::Named) ? catalog_.FindEnum(bare.Name()) : nullptr) {
        std::string text;
        for (const std::string& value : *values) text += (text.empty() ? "{" : ",") + value;
        return text + "}";
    }
    if (bare.IsPrimitive("long")) return "INT";
    if (bare.IsPrimitive("double")) return "NUMBER";
    if (bare.IsPrimitive("boolean")) return "true|false";
    if (bare.IsPrimitive("date_time")) return "DATETIME";
    if (bare.IsPrimitive("binary")) return "BASE64";
    if (IsTextPrimitive(bare)) return "TEXT|@FILE";
    return "JSON|@FILE";
}

rapidjson::Value ParamReader::Read(const ApiMember& param, const std::vector<std::string>& texts,
                                   rapidjson::Document::AllocatorType& allocator) const
{
    const std::string where = OptionName(param.name);
    const ApiType& type = param.type.Unwrapped();
    const bool itemList = (type.Is(Kind::List) || type.Is(Kind::Set)) && IsPlain(type.Element());
    // A list of plain items is given item by item, unless one JSON list (or file) stands for it.
    if (itemList && !(texts.size() == 1 && (texts[0].starts_with("[") || texts[0].starts_with("@")))) {
        rapidjson::Value list(rapidjson::kArrayType);
        for (size_t i = 0; i < texts.size(); ++i) {
            list.PushBack(ReadPlain(type.Element(), texts[i], where + "[" + std::to_string(i) + "]", allocator),
                          allocator);
        }
        return list;
    }
    if (texts.size() != 1) Refuse(where, "given more than once");
    if (IsPlain(type)) return ReadPlain(type, texts[0], where, allocator);

    const std::string json = Load(texts[0], where);
    rapidjson::Document document(&allocator);
    document.Parse(json.c_str(), json.size());
    if (document.HasParseError()) {
        Refuse(where, std::string("not JSON: ") + rapidjson::GetParseError_En(document.GetParseError()) +
                          " at offset " + std::to_string(document.GetErrorOffset()));
    }
    Check(document, type, where);
    return rapidjson::Value(std::move(document.Move()));
}

rapidjson::Value ParamReader::ReadPlain(const ApiType& type, const std::string& text, const std::string& where,
                                        rapidjson::Document::AllocatorType& allocator) const
{
    if (type.IsPrimitive("long")) return rapidjson::Value(static_cast<int64_t>(ParseInteger(text, where)));
    if (type.IsPrimitive("double")) return rapidjson::Value(ParseDouble(text, where));
    if (type.IsPrimitive("boolean")) {
        if (text != "true" && text != "false") Refuse(where, "expected true or false, got '" + text + "'");
        return rapidjson::Value(text == "true");
    }
    const std::string value = IsTextPrimitive(type) ? Load(text, where) : text;
    CheckText(value, type, where);
    return rapidjson::Value(value.c_str(), static_cast<rapidjson::SizeType>(value.size()), allocator);
}

void ParamReader::Check(const rapidjson::Value& value, const ApiType& type, const std::string& where) const
{
    switch (type.GetKind()) {
    case Kind::Optional:
        if (!value.IsNull()) Check(value, type.Element(), where);
        return;
    case Kind::List:
    case Kind::Set:
        ExpectJson(value.IsArray(), value, where, "a list");
        for (rapidjson::SizeType i = 0; i < value.Size(); ++i) {
            Check(value[i], type.Element(), where + "[" + std::to_string(i) + "]");
        }
        return;
    case Kind::Map:
        ExpectJson(value.IsObject(), value, where, "an object");
        for (const auto& member : value.GetObject()) {
            Check(member.value, type.Element(), where + "." + member.name.GetString());
        }
        return;
    case Kind::Named: CheckNamed(value, type, where); return;
    case Kind::Primitive: break;
    }
    if (type.IsPrimitive("long")) return ExpectJson(value.IsInt64(), value, where, "an integer");
    if (type.IsPrimitive("double")) return ExpectJson(value.IsNumber(), value, where, "a number");
    if (type.IsPrimitive("boolean")) return ExpectJson(value.IsBool(), value, where, "a boolean");
    if (type.IsPrimitive("error")) return ExpectJson(value.IsObject(), value, where, "an object");
    if (type.IsPrimitive("opaque")) return;
    ExpectJson(value.IsString(), value, where, "a string");
    CheckText(value.GetString(), type, where);
}

void ParamReader::CheckNamed(const rapidjson::Value& value, const ApiType& type, const std::string& where) const
{
    if (catalog_.FindEnum(type.Name()) != nullptr) {
        ExpectJson(value.IsString(), value, where, "a string");
        return CheckText(value.GetString(), type, where);
    }
    const ApiStruct* decl = catalog_.FindStruct(type.Name());
    if (decl == nullptr) return;  // a type the metamodel does not describe: the daemon decides
    ExpectJson(value.IsObject(), value, where, "an object");
    for (const auto& member : value.GetObject()) {
        const std::string name = member.name.GetString();
        bool known = false;
        for (const ApiMember& field : decl->fields) known = known || field.name == name;
        if (!known) Refuse(where, "unknown field \"" + name + "\" of " + decl->id);
    }
    for (const ApiMember& field : decl->fields) {
        const bool present = value.HasMember(field.name.c_str());
        if (!present && !field.type.Is(Kind::Optional)) Refuse(where, "field \"" + field.name + "\" is missing");
        if (present) Check(value[field.name.c_str()], field.type, where + "." + field.name);
    }
}

void ParamReader::CheckText(const std::string& text, const ApiType& type, const std::string& where) const
{
    if (type.IsPrimitive("date_time") && !std::regex_match(text, kDateTimeForm)) {
        Refuse(where, "expected a time like 2024-05-06T07:08:09Z, got '" + text + "'");
    }
    if (type.IsPrimitive("binary") && !std::regex_match(text, kBase64Form)) Refuse(where, "expected base64 text");
    const auto* values = type.Is(Kind::Named) ? catalog_.FindEnum(type.Name()) : nullptr;
    if (values == nullptr) return;
    for (const std::string& value : *values) {
        if (value == text) return;
    }
    Refuse(where, "'" + text + "' is not one of " + Placeholder(type));
}

}  // namespace HostprefCtl
