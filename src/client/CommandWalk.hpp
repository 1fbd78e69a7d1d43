// CommandWalk: follows the words of a command line down hostprefctl's CLI11 command tree
// without parsing it, to tell which command they lead to. The bash completion asks it what
// may come next ("hostprefctl __complete WORD..."), and a word that names no command where
// one is expected is reported with the commands that exist there. A plain value.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>
#include <vector>

namespace HostprefCtl {

class CommandWalk {
public:
    // The word that asks for completion instead of a command.
    static constexpr const char* kCompleteCommand = "__complete";

    // Walks `words` (the words after the program name) from `app`.
    CommandWalk(const CLI::App& app, const std::vector<std::string>& words);

    // The first word that named no command of a command that needs one; "" when none.
    const std::string& Stray() const { return stray_; }
    // "'WORD' is no command of 'hub tasks'; there: get, list, cancel".
    std::string StrayText() const;

    // Prints, one per line, the commands and options that may follow the words.
    void PrintCompletions(std::ostream& out) const;

private:
    const CLI::App* command_;
    std::string stray_;
};

}  // namespace HostprefCtl
