// LifeCycle::SpecFile: the desired-image documents (SoftwareSpec) the daemon hands to the image
// manager tool, one per task, below "/var/orvane/lifecycle/".
//
// Static only; thread-safe.
#pragma once

#include <string>

#include "generated/Com/Orvane/Tarn/HostprefDaemon/SoftwareSpec.hpp"

namespace LifeCycle {

class SpecFile {
public:
    // The document of task `taskId`: "/var/orvane/lifecycle/swspec-" + the id.
    static std::string PathFor(const std::string& taskId);

    // Writes `spec` as JSON to `path`. False when it could not be converted or written;
    // nothing is left at `path` then.
    static bool Write(const Com::Orvane::Tarn::HostprefDaemon::SoftwareSpec& spec, const std::string& path);
};

}  // namespace LifeCycle
