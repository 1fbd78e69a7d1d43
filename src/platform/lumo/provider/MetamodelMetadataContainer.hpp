// Lumo::Provider::Metadata::Metamodel::MetadataContainer: the metamodel of every loaded
// component: the whole component document, and its services and their operations by id,
// each kept as the file's JSON object for it.
//
// One process-wide instance (GetInstance), filled at start-up and read by the metadata
// and introspection services afterwards; tests make their own. Guarded by one mutex.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/provider/KeyedEntries.hpp"

namespace Lumo::Provider::Metadata::Metamodel {

class MetadataContainer {
public:
    // The process-wide container.
    static const std::shared_ptr<MetadataContainer>& GetInstance();

    // Adds component `component` from the file at `path`, all or nothing. Throws
    // MetadataFileError when the file is unreadable, malformed or of the wrong shape, when
    // the component is loaded already, or when one of its services belongs to another one.
    void Load(const std::string& component, const std::string& path);

    // Loaded component names, sorted.
    std::vector<std::string> ComponentNames() const;
    // The whole document of `component`, or null.
    Data::DataValuePtr FindComponent(std::string_view component) const;
    // A digest of the document of `component` (insensitive to member order), or nullopt.
    std::optional<std::string> ComponentFingerprint(std::string_view component) const;
    // Service ids of every component, sorted.
    std::vector<std::string> ServiceIds() const;
    // The entry of service `serviceId`, or null.
    Data::DataValuePtr FindService(std::string_view serviceId) const;
    // The entry of operation `operationId` of service `serviceId`, or null.
    Data::DataValuePtr FindOperation(std::string_view serviceId, std::string_view operationId) const;

private:
    struct Component {
        std::string path;
        Data::DataValuePtr document;
        std::string fingerprint;
    };
    struct Service {
        std::string component;
        Data::DataValuePtr value;
        std::map<std::string, Data::DataValuePtr, std::less<>> operations;
    };

    mutable std::mutex mutex_;
    KeyedEntries<Component> components_;  // guarded by mutex_
    KeyedEntries<Service> services_;      // guarded by mutex_
};

}  // namespace Lumo::Provider::Metadata::Metamodel
