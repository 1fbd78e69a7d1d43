// Lumo::Provider::Metadata::Authentication::MetadataContainer: the authentication metadata
// of every loaded component: which authentication schemes each service accepts, each
// service kept as the file's JSON object for it.
//
// One process-wide instance (GetInstance), filled at start-up and read by the metadata
// service afterwards; tests make their own. Guarded by one mutex.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/provider/KeyedEntries.hpp"

namespace Lumo::Provider::Metadata::Authentication {

class MetadataContainer {
public:
    // The process-wide container.
    static const std::shared_ptr<MetadataContainer>& GetInstance();

    // Adds component `component` from the file at `path`, all or nothing. Throws
    // MetadataFileError when the file is unreadable, malformed or of the wrong shape (a
    // service naming a scheme the file does not declare included), when the component is
    // loaded already, or when one of its services belongs to another component.
    void Load(const std::string& component, const std::string& path);

    // Loaded component names, sorted.
    std::vector<std::string> ComponentNames() const;
    // Service ids of every component, sorted.
    std::vector<std::string> ServiceIds() const;
    // The entry of service `serviceId`, or null.
    Data::DataValuePtr FindService(std::string_view serviceId) const;

private:
    struct ComponentFile {
        std::string path;
    };
    struct Service {
        std::string component;
        Data::DataValuePtr value;
    };

    mutable std::mutex mutex_;
    KeyedEntries<ComponentFile> components_;  // guarded by mutex_
    KeyedEntries<Service> services_;          // guarded by mutex_
};

}  // namespace Lumo::Provider::Metadata::Authentication
