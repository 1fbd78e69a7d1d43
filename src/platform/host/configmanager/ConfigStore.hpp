// TarnConfigStore::ConfigStore: the host's current configuration, one configuration tree kept
// in one JSON file with a generation number that every change advances. A change replaces
// the whole file atomically, so a crash or an abort in the middle of an apply leaves the old
// configuration or the new one.
//
// Static only. Changes made through it are serialized within the process; readers never
// block and always see a whole generation.
#pragma once

#include <rapidjson/document.h>

#include <cstdint>
#include <memory>

namespace TarnConfigStore {

class ConfigStore {
public:
    // Host path of the store file: {"generation": N, "config": {component: {group: {key: value}}}}.
    static constexpr const char* kStorePath = "/etc/orvane/configstore/store.json";

    struct Snapshot {
        uint64_t generation = 0;
        std::shared_ptr<const rapidjson::Document> config;
    };

    // The current configuration; generation 0 and an empty tree when the host has no store
    // yet. Throws ConfigStoreException (database connection error) when the store file
    // exists but cannot be read or is not a store.
    static Snapshot Read();

    // Makes `config` the next generation of a store still at generation `basedOn`, and
    // returns that generation. Throws ConfigStoreException: impact invalid when the store
    // has moved on since `basedOn`, store write error (with the cause in its text) when it
    // cannot be written; the store is then unchanged.
    static uint64_t Replace(const rapidjson::Value& config, uint64_t basedOn);
};

}  // namespace TarnConfigStore
