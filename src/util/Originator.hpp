// LifeCycle::Originator: the originator id under which this daemon's configuration changes
// are recorded, "quarn[<name>]", where the default name comes from the installed base
// image's schema file.
//
// Stateless apart from the default id, which is computed once per process (thread-safe).
#pragma once

#include <string>

namespace LifeCycle {

class Originator {
public:
    // The configuration manager's schema directory (a host path).
    static constexpr const char* kSchemaDir = "/usr/lib/orvane/configmanager/schemas";
    // Present only on data-processing-unit hosts.
    static constexpr const char* kDpuMarker = "/etc/.tarnio";

    // True when this is a data-processing-unit host (the marker file exists).
    static bool IsDpuHost();

    // "quarn[" + name + "]".
    static std::string For(const std::string& name);

    // The originator name found in the schema directory now, uncached: the base image's
    // schema file stem without its last 7 characters. Throws std::runtime_error with
    // "Unable to find tarn-base schema" when there is none.
    static std::string FindBaseImageName();

    // The originator id of the installed base image, computed on the first call that succeeds
    // and kept for the life of the process. Throws as FindBaseImageName until then.
    static const std::string& Default();
};

}  // namespace LifeCycle
