// Lumo::Provider::Metadata::MetadataFileError: why a metadata file could not be loaded
// (unreadable, not JSON, wrong shape, or a component or entry that is already loaded),
// with the file's path. Thrown inside the metadata loaders; ProviderHelper turns it into
// an error value.
//
// An immutable exception value; thread-safe.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/lumo/ErrorValue.hpp"

namespace Lumo::Provider::Metadata {

class MetadataFileError : public std::runtime_error {
public:
    enum class Kind {
        kUnreadable,  // missing, not a regular file, or unreadable
        kMalformed,   // not JSON
        kInvalid,     // JSON of the wrong shape
        kDuplicate,   // a component or entry that another load already brought in
    };

    MetadataFileError(Kind kind, std::string path, std::string detail);

    Kind GetKind() const { return kind_; }
    const std::string& Path() const { return path_; }
    const std::string& Detail() const { return detail_; }

    // The standard error value for this fault: resource_inaccessible for an unreadable
    // file, already_exists for a duplicate, invalid_argument otherwise; its one message
    // names the file and the fault.
    Data::ErrorValuePtr ToErrorValue() const;

private:
    Kind kind_;
    std::string path_;
    std::string detail_;
};

}  // namespace Lumo::Provider::Metadata
