#include "client/ApiCatalog.hpp"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include <stdexcept>

#include "client/MetamodelText.hpp"

namespace HostprefCtl {

namespace {

// The component of the framework's services, which anybody may call.
constexpr std::string_view kAnonymousComponent = "lumo_std";
constexpr std::string_view kCommandPrefix = "com.orvane.";

const rapidjson::Value& Member(const rapidjson::Value& object, const char* name)
{
    if (!object.IsObject() || !object.HasMember(name)) {
        throw std::runtime_error(std::string("metamodel: member \"") + name + "\" is missing");
    }
    return object[name];
}

std::string Text(const rapidjson::Value& object, const char* name)
{
    const rapidjson::Value& value = Member(object, name);
    if (!value.IsString()) throw std::runtime_error(std::string("metamodel: \"") + name + "\" is not a string");
    return value.GetString();
}

const rapidjson::Value::ConstArray Items(const rapidjson::Value& object, const char* name)
{
    const rapidjson::Value& value = Member(object, name);
    if (!value.IsArray()) throw std::runtime_error(std::string("metamodel: \"") + name + "\" is not a list");
    return value.GetArray();
}

std::vector<ApiMember> Members(const rapidjson::Value& object, const char* name)
{
    std::vector<ApiMember> members;
    for (const rapidjson::Value& item : Items(object, name)) {
        members.push_back({Text(item, "name"), ApiType::Parse(Text(item, "type")), Text(item, "documentation")});
    }
    return members;
}

ApiOperation ReadOperation(const rapidjson::Value& object)
{
    ApiOperation operation{Text(object, "id"), Text(object, "documentation"), Members(object, "params"),
                           ApiType::Parse(Text(object, "output")), false};
    const rapidjson::Value& task = Member(object, "task");
    operation.task = task.IsBool() && task.GetBool();
    return operation;
}

}  // namespace

const ApiOperation* ApiService::Find(std::string_view operation) const
{
    for (const ApiOperation& candidate : operations) {
        if (candidate.id == operation) return &candidate;
    }
    return nullptr;
}

std::vector<std::string> ApiService::CommandWords() const
{
    std::string_view path = id;
    if (path.starts_with(kCommandPrefix)) path.remove_prefix(kCommandPrefix.size());
    std::vector<std::string> words;
    for (size_t start = 0; start <= path.size();) {
        const size_t dot = std::min(path.find('.', start), path.size());
        words.emplace_back(path.substr(start, dot - start));
        start = dot + 1;
    }
    return words;
}

const ApiCatalog& ApiCatalog::BuiltIn()
{
    static const ApiCatalog catalog(MetamodelTexts());
    return catalog;
}

ApiCatalog::ApiCatalog(const std::vector<std::string_view>& metamodelTexts)
{
    for (std::string_view text : metamodelTexts) Read(text);
}

void ApiCatalog::Read(std::string_view text)
{
    rapidjson::Document document;
    document.Parse(text.data(), text.size());
    if (document.HasParseError()) {
        throw std::runtime_error(std::string("metamodel: ") + rapidjson::GetParseError_En(document.GetParseError()));
    }
    const bool anonymous = Text(document, "component") == kAnonymousComponent;
    for (const rapidjson::Value& object : Items(document, "services")) {
        ApiService service{Text(object, "id"), Text(object, "documentation"), anonymous, {}};
        for (const rapidjson::Value& operation : Items(object, "operations")) {
            service.operations.push_back(ReadOperation(operation));
        }
        services_.push_back(std::move(service));
    }
    for (const rapidjson::Value& object : Items(document, "structures")) {
        ApiStruct type{Text(object, "id"), Members(object, "fields")};
        structs_.emplace(type.id, std::move(type));
    }
    for (const rapidjson::Value& object : Items(document, "enumerations")) {
        std::vector<std::string> values;
        for (const rapidjson::Value& value : Items(object, "values")) values.emplace_back(value.GetString());
        enums_.emplace(Text(object, "id"), std::move(values));
    }
}

const ApiService* ApiCatalog::FindService(std::string_view id) const
{
    for (const ApiService& service : services_) {
        if (service.id == id) return &service;
    }
    return nullptr;
}

const ApiStruct* ApiCatalog::FindStruct(std::string_view id) const
{
    auto found = structs_.find(id);
    return found != structs_.end() ? &found->second : nullptr;
}

const std::vector<std::string>* ApiCatalog::FindEnum(std::string_view id) const
{
    auto found = enums_.find(id);
    return found != enums_.end() ? &found->second : nullptr;
}

}  // namespace HostprefCtl
