#include "platform/host/configmanager/ConfigStoreDocument.hpp"

#include <rapidjson/stringbuffer.h>

#include <cctype>

#include "platform/host/CSLogger.hpp"
#include "platform/host/configmanager/CMErrorCodes.hpp"
#include "platform/host/configmanager/ConfigStoreException.hpp"
#include "platform/host/configmanager/JsonFile.hpp"
#include "platform/host/configmanager/SchemaStore.hpp"

namespace ConfigStoreDocument {

namespace {

using TarnConfigStore::ConfigStoreException;

[[noreturn]] void MalformedDocument(const std::string& reason)
{
    CSLogger::Log(0, "ConfigStoreDocument: desired document refused: %s", reason.c_str());
    throw ConfigStoreException(TarnConfigManager::kParseError, "Failed to parse JSON String: " + reason);
}

// Checks that `tree` is a configuration tree; `where` names it in the complaint.
void CheckTree(const rapidjson::Value& tree, const std::string& where)
{
    if (!tree.IsObject()) MalformedDocument(where + " is not an object");
    for (const auto& component : tree.GetObject()) {
        if (!component.value.IsObject())
            MalformedDocument(where + "/" + component.name.GetString() + " is not an object");
        for (const auto& group : component.value.GetObject()) {
            if (!group.value.IsObject()) {
                MalformedDocument(where + "/" + component.name.GetString() + "/" + group.name.GetString() +
                                  " is not an object");
            }
        }
    }
}

void CheckDesiredDocument(const rapidjson::Document& document)
{
    if (!document.IsObject()) MalformedDocument("the document is not an object");
    for (const auto& member : document.GetObject()) {
        const std::string name = member.name.GetString();
        if (name == kId) {
            if (!member.value.IsString()) MalformedDocument("\"id\" is not a string");
        } else if (name == kProfile || name == kHostOverride) {
            CheckTree(member.value, name);
        } else if (name == kHostSpecific) {
            if (!member.value.IsObject()) MalformedDocument("host-specific is not an object");
            for (const auto& host : member.value.GetObject()) {
                CheckTree(host.value, name + "/" + host.name.GetString());
            }
        } else {
            MalformedDocument("unknown section \"" + name + "\"");
        }
    }
}

bool IsBlank(std::string_view text)
{
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

}  // namespace

DocumentPtr CreateDocument(std::string_view text)
{
    if (IsBlank(text)) {
        throw ConfigStoreException(TarnConfigManager::kEmptyDocument,
                                   "The desired configuration document is empty.");
    }
    auto document = std::make_shared<rapidjson::Document>();
    if (auto fault = TarnConfigStore::JsonFile::Parse(text, *document); !fault.empty()) MalformedDocument(fault);
    CheckDesiredDocument(*document);
    return document;
}

DocumentPtr ProfileDocument(const rapidjson::Value& tree)
{
    auto document = std::make_shared<rapidjson::Document>(rapidjson::kObjectType);
    document->AddMember(rapidjson::StringRef(kProfile), rapidjson::Value(tree, document->GetAllocator()),
                        document->GetAllocator());
    return document;
}

bool IsDocumentEmpty(const rapidjson::Value& tree)
{
    bool empty = true;
    ForEachSetting(tree, [&](const std::string&, const std::string&, const std::string&,
                             const rapidjson::Value&) { empty = false; });
    return empty;
}

void ForEachSetting(const rapidjson::Value& tree, const SettingVisitor& visit)
{
    if (!tree.IsObject()) return;
    for (const auto& component : tree.GetObject()) {
        if (!component.value.IsObject()) continue;
        const std::string componentName = component.name.GetString();
        for (const auto& group : component.value.GetObject()) {
            if (!group.value.IsObject()) continue;
            const std::string groupName = group.name.GetString();
            for (const auto& key : group.value.GetObject()) {
                visit(componentName, groupName, key.name.GetString(), key.value);
            }
        }
    }
}

void SetSetting(rapidjson::Document& target, const std::string& component, const std::string& group,
                const std::string& key, const rapidjson::Value& value)
{
    rapidjson::Value copy(value, target.GetAllocator());
    SettingPointer(component, group, key).Set(target, copy);
}

bool RemoveSetting(rapidjson::Document& target, const std::string& component, const std::string& group,
                   const std::string& key)
{
    if (!SettingPointer(component, group, key).Erase(target)) return false;
    rapidjson::Value& groups = target[component.c_str()];
    if (groups[group.c_str()].ObjectEmpty()) groups.RemoveMember(group.c_str());
    if (groups.ObjectEmpty()) target.RemoveMember(component.c_str());
    return true;
}

rapidjson::Pointer SettingPointer(const std::string& component, const std::string& group,
                                  const std::string& key)
{
    return rapidjson::Pointer().Append(component).Append(group).Append(key);
}

rapidjson::Pointer RewriteDocumentPointer(const rapidjson::Pointer& path, const rapidjson::Pointer& section)
{
    rapidjson::Pointer rewritten = section;
    for (size_t i = 0; i < path.GetTokenCount(); ++i) {
        const auto& token = path.GetTokens()[i];
        rewritten = rewritten.Append(token);
    }
    return rewritten;
}

rapidjson::Pointer AppendHostUuidToPointer(const rapidjson::Pointer& section, const std::string& uuid)
{
    return section.Append(uuid);
}

bool ValueExists(const rapidjson::Value& document, const rapidjson::Pointer& pointer)
{
    return pointer.IsValid() && pointer.Get(document) != nullptr;
}

std::string PointerToString(const rapidjson::Pointer& pointer)
{
    rapidjson::StringBuffer text;
    pointer.Stringify(text);
    return text.GetString();
}

bool getHostSpecificFlag(const rapidjson::Pointer& path)
{
    if (path.GetTokenCount() < 3) return false;
    const auto* tokens = path.GetTokens();
    const auto* key =
        TarnSchemaStore::SchemaStore::GetStore()->FindKey(std::string_view(tokens[0].name, tokens[0].length),
                                                          std::string_view(tokens[1].name, tokens[1].length),
                                                          std::string_view(tokens[2].name, tokens[2].length));
    return key != nullptr && key->hostSpecific;
}

}  // namespace ConfigStoreDocument
