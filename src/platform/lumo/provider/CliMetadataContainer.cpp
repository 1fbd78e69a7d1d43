#include "platform/lumo/provider/CliMetadataContainer.hpp"

#include "platform/lumo/provider/Digest.hpp"
#include "platform/lumo/provider/MetadataFile.hpp"
#include "platform/lumo/provider/MetadataFileError.hpp"

namespace Lumo::Provider::Metadata::Cli {

namespace {

// Reads the entries of array `member` keyed by their "path"; a path used twice in the
// same file is a fault of the file.
template <class Entries, class Entry>
Entries ReadCliEntries(const MetadataFile& file, const char* member, const std::string& component,
                       void (*check)(const MetadataFile&, const rapidjson::Value&, const std::string&))
{
    Entries entries;
    size_t index = 0;
    for (const rapidjson::Value* item : file.Objects(file.Root(), member, "", true)) {
        std::string where = std::string(member) + "[" + std::to_string(index++) + "]";
        std::string path = file.String(*item, "path", where);
        check(file, *item, where);
        Entry entry{component, file.ToValue(*item, where), Digest::OfJson(*item)};
        if (!entries.emplace(path, std::move(entry)).second) {
            file.Invalid(std::string(member) + " path '" + path + "' appears more than once");
        }
    }
    return entries;
}

void CheckCliNamespace(const MetadataFile&, const rapidjson::Value&, const std::string&) {}

void CheckCliCommand(const MetadataFile& file, const rapidjson::Value& command, const std::string& where)
{
    file.String(command, "service", where);
    file.String(command, "operation", where);
    size_t index = 0;
    for (const rapidjson::Value* option : file.Objects(command, "options", where, false)) {
        file.String(*option, "name", where + ".options[" + std::to_string(index++) + "]");
    }
}

template <class Entries>
void RefuseTakenCliPaths(const MetadataFile& file, const Entries& loaded, const Entries& added, const char* kind)
{
    for (const auto& [path, entry] : added) {
        auto taken = loaded.find(path);
        if (taken != loaded.end()) {
            file.Duplicate(std::string(kind) + " '" + path + "' is already defined by component '" +
                           taken->second.component + "'");
        }
    }
}

}  // namespace

const std::shared_ptr<MetadataContainer>& MetadataContainer::GetInstance()
{
    static const auto instance = std::make_shared<MetadataContainer>();
    return instance;
}

void MetadataContainer::Load(const std::string& component, const std::string& path)
{
    // Parse and check outside the lock; only the merge needs it.
    MetadataFile file(path, component);
    auto namespaces = ReadCliEntries<Entries, Entry>(file, "namespaces", component, CheckCliNamespace);
    auto commands = ReadCliEntries<Entries, Entry>(file, "commands", component, CheckCliCommand);

    std::lock_guard lock(mutex_);
    auto loaded = componentFiles_.find(component);
    if (loaded != componentFiles_.end()) {
        file.Duplicate("component '" + component + "' is already loaded from " + loaded->second);
    }
    RefuseTakenCliPaths(file, namespaces_, namespaces, "namespace");
    RefuseTakenCliPaths(file, commands_, commands, "command");
    componentFiles_.emplace(component, path);
    namespaces_.merge(namespaces);
    commands_.merge(commands);
}

std::vector<std::string> MetadataContainer::ComponentNames() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const auto& [name, path] : componentFiles_) {
        names.push_back(name);
    }
    return names;
}

std::vector<std::string> MetadataContainer::NamespacePaths() const
{
    std::lock_guard lock(mutex_);
    return Keys(namespaces_);
}

Data::DataValuePtr MetadataContainer::FindNamespace(std::string_view path) const
{
    std::lock_guard lock(mutex_);
    return Find(namespaces_, path);
}

std::vector<std::string> MetadataContainer::CommandPaths() const
{
    std::lock_guard lock(mutex_);
    return Keys(commands_);
}

Data::DataValuePtr MetadataContainer::FindCommand(std::string_view path) const
{
    std::lock_guard lock(mutex_);
    return Find(commands_, path);
}

std::string MetadataContainer::CommandsFingerprint() const
{
    std::lock_guard lock(mutex_);
    std::string listing;
    for (const auto& [path, entry] : commands_) {
        listing += path + '=' + entry.digest + '\n';
    }
    return Digest::OfText(listing);
}

std::vector<std::string> MetadataContainer::Keys(const Entries& entries)
{
    std::vector<std::string> keys;
    keys.reserve(entries.size());
    for (const auto& [key, entry] : entries) {
        keys.push_back(key);
    }
    return keys;
}

Data::DataValuePtr MetadataContainer::Find(const Entries& entries, std::string_view path)
{
    auto it = entries.find(path);
    return it == entries.end() ? nullptr : it->second.value;
}

}  // namespace Lumo::Provider::Metadata::Cli
