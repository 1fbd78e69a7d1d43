// TarnConfigManager::PluginRunner: runs a component's validation or apply plugin, a host
// command named by the component's schema, on the component's configuration and waits for it.
// The plugin gets the component name and the path of a file holding the component's
// configuration tree (JSON) as its last two arguments; exit status 0 means success, and what
// it prints says why not.
//
// Static only; thread-safe. Blocks the calling thread (a task worker) until the plugin ends.
#pragma once

#include <rapidjson/document.h>

#include <string>

namespace TarnConfigManager {

class PluginRunner {
public:
    struct Outcome {
        bool started = false;
        int waitStatus = 0;
        std::string output;  // the first kOutputLimit bytes of its standard output and error

        bool Succeeded() const;
        // Why it failed, for a message: its output, else how it ended.
        std::string Describe() const;
    };

    static constexpr size_t kOutputLimit = 4096;

    // Runs plugin command line `command` (read as the host's launcher reads command lines;
    // no descriptor of the daemon reaches it) for `component` with configuration `tree`.
    static Outcome Run(const std::string& command, const std::string& component,
                       const rapidjson::Value& tree);
};

}  // namespace TarnConfigManager
