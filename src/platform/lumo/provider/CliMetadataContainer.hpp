// Lumo::Provider::Metadata::Cli::MetadataContainer: the command-line metadata of every
// loaded component: namespaces and commands by dotted path ("hub.tasks",
// "hub.tasks.get"), each kept as the file's JSON object for it.
//
// One process-wide instance (GetInstance), filled at start-up and read by the metadata
// services afterwards; tests make their own. All members are guarded by one mutex.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/provider/KeyedEntries.hpp"

namespace Lumo::Provider::Metadata::Cli {

class MetadataContainer {
public:
    // The process-wide container.
    static const std::shared_ptr<MetadataContainer>& GetInstance();

    // Adds component `component` from the file at `path`, all or nothing. Throws
    // MetadataFileError when the file is unreadable, malformed or of the wrong shape, when
    // the component is loaded already, or when one of its paths belongs to another component.
    void Load(const std::string& component, const std::string& path);

    // Loaded component names, sorted.
    std::vector<std::string> ComponentNames() const;
    // Namespace paths of every component, sorted.
    std::vector<std::string> NamespacePaths() const;
    // The namespace entry at `path`, or null.
    Data::DataValuePtr FindNamespace(std::string_view path) const;
    // Command paths of every component, sorted.
    std::vector<std::string> CommandPaths() const;
    // The command entry at `path`, or null.
    Data::DataValuePtr FindCommand(std::string_view path) const;
    // A digest of every command entry: changes whenever a command is added, removed or changed.
    std::string CommandsFingerprint() const;

private:
    struct ComponentFile {
        std::string path;
    };
    struct Entry {
        std::string component;
        Data::DataValuePtr value;
        std::string digest;
    };
    using Entries = KeyedEntries<Entry>;

    static Data::DataValuePtr Find(const Entries& entries, std::string_view path);

    mutable std::mutex mutex_;
    KeyedEntries<ComponentFile> components_;  // guarded by mutex_
    Entries namespaces_;                      // guarded by mutex_
    Entries commands_;                        // guarded by mutex_
};

}  // namespace Lumo::Provider::Metadata::Cli
