// Completion: the words that may come next on a hostprefctl command line, for the bash
// completion script ("hostprefctl __complete WORD..."). Walks the CLI11 command tree, so
// every service and operation completes without a list of its own. Stateless.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>
#include <vector>

namespace HostprefCtl {

class Completion {
public:
    // The word that asks for completion instead of a command.
    static constexpr const char* kCommand = "__complete";

    // Prints, one per line, the commands and options that may follow `words` (the words
    // typed after the program name, without the one being completed).
    static void Print(const CLI::App& app, const std::vector<std::string>& words, std::ostream& out);
};

}  // namespace HostprefCtl
