// LaunchPlan: what the host's process launcher makes of one command line: the file to run,
// its argument vector, and the launcher directions of a "++" word.
//
// The line is split by CommandLine::Split (never a shell). Words that begin with "++" right
// after the program are directions, not arguments: "++group=<name>,mem=<MB>|groupMax,stats"
// names the resource group and the memory limit; "stats" and a limit the host decides
// ("groupMax") need nothing here. A "++" word further on is an ordinary argument, so a value a
// client placed on the line can never direct the launcher. Executables resolve through
// HostRoot::Executable. A value type; Parse is thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct LaunchPlan {
    std::string program;            // the file to execute
    std::vector<std::string> args;  // the argument vector, the program first
    std::string group;              // resource group of the process; "" for none
    long memoryLimitMb = 0;         // address-space limit in MB; 0 for none of our own

    // The plan of `command`. Throws CommandLine::SyntaxError for a line that cannot be split,
    // std::invalid_argument for one that names no program or a malformed group name.
    static LaunchPlan Parse(const std::string& command);

    // Whether `name` can name a resource group: one plain path component of letters,
    // digits, '-', '_' and '.', neither "." nor "..".
    static bool IsValidGroupName(std::string_view name);

    // The argument vector as exec wants it; valid while the plan lives unchanged.
    std::vector<char*> Argv() const;
};
