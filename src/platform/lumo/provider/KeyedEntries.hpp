// Lumo::Provider::Metadata::KeyedEntries<Entry>: the entries of one kind in a metadata
// container (components, namespaces, commands, services), sorted by their path or id.
//
// A plain value owned by its container, which guards it; not synchronised itself.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Lumo::Provider::Metadata {

template <class Entry>
class KeyedEntries {
public:
    using Map = std::map<std::string, Entry, std::less<>>;

    // Adds `entry` under `key`; false (and nothing added) when `key` is taken already.
    bool Add(std::string key, Entry entry) { return entries_.emplace(std::move(key), std::move(entry)).second; }

    // Every key, sorted.
    std::vector<std::string> Keys() const
    {
        std::vector<std::string> keys;
        keys.reserve(entries_.size());
        for (const auto& [key, entry] : entries_) {
            keys.push_back(key);
        }
        return keys;
    }

    // The entry under `key`, or null.
    const Entry* Find(std::string_view key) const
    {
        auto it = entries_.find(key);
        return it == entries_.end() ? nullptr : &it->second;
    }

    // Throws the duplicate error of `file` (the MetadataFile being loaded) when `component`
    // is here already (Entry has `path`).
    template <class File>
    void RefuseLoaded(const File& file, const std::string& component) const
    {
        if (const Entry* loaded = Find(component)) {
            file.Duplicate("component '" + component + "' is already loaded from " + loaded->path);
        }
    }

    // Throws the duplicate error of `file` when a key of `added` is here already, naming the
    // component that holds it (Entry has `component`); `kind` words the entry.
    template <class File>
    void RefuseTaken(const File& file, const KeyedEntries& added, std::string_view kind) const
    {
        for (const auto& [key, entry] : added.entries_) {
            if (const Entry* taken = Find(key)) {
                file.Duplicate(std::string(kind) + " '" + key + "' is already defined by component '" +
                               taken->component + "'");
            }
        }
    }

    // Moves every entry of `added` whose key is free in here.
    void Merge(KeyedEntries& added) { entries_.merge(added.entries_); }

    // The entries in key order.
    const Map& All() const { return entries_; }

private:
    Map entries_;
};

}  // namespace Lumo::Provider::Metadata
