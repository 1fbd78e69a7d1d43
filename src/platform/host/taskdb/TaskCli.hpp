// TaskCli: the command line of hostpref-taskdb, through which launched host tools and
// scripts create and update task records.
//
// Run() parses, performs one operation on the store and reports; it never throws.
// One object per run; not thread-safe.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace TaskDB {

class TaskCli {
public:
    static constexpr int kOk = 0;
    static constexpr int kFailed = 1;  // the operation failed (one line on stderr)
    static constexpr int kUsage = 2;   // the command line is wrong (message and usage on stderr)

    // The store used without --store; a host path, so HOSTPREFD_ROOT applies.
    static constexpr const char* kDefaultStore = "/var/orvane/lifecycle/task-status.json";

    // Runs the command line `args` (without the program name).
    static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

    // The usage text.
    static const char* Usage();
};

}  // namespace TaskDB
