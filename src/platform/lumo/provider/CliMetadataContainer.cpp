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
        if (!entries.Add(path, std::move(entry))) {
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
    components_.RefuseLoaded(file, component);
    namespaces_.RefuseTaken(file, namespaces, "namespace");
    commands_.RefuseTaken(file, commands, "command");
    components_.Add(component, {path});
    namespaces_.Merge(namespaces);
    commands_.Merge(commands);
}

std::vector<std::string> MetadataContainer::ComponentNames() const
{
    std::lock_guard lock(mutex_);
    return components_.Keys();
}

std::vector<std::string> MetadataContainer::NamespacePaths() const
{
    std::lock_guard lock(mutex_);
    return namespaces_.Keys();
}

Data::DataValuePtr MetadataContainer::FindNamespace(std::string_view path) const
{
    std::lock_guard lock(mutex_);
    return Find(namespaces_, path);
}

std::vector<std::string> MetadataContainer::CommandPaths() const
{
    std::lock_guard lock(mutex_);
    return commands_.Keys();
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
    for (const auto& [path, entry] : commands_.All()) {
        listing += path + '=' + entry.digest + '\n';
    }
    return Digest::OfText(listing);
}

Data::DataValuePtr MetadataContainer::Find(const Entries& entries, std::string_view path)
{
    const Entry* entry = entries.Find(path);
    return entry ? entry->value : nullptr;
}

}  // namespace Lumo::Provider::Metadata::Cli
