// RunShell: runs a command line through /bin/sh and collects its standard output, for
// tests that drive real clients and tools (curl, Python, node, the API generator).
#pragma once

#include <cstdio>
#include <string>

namespace TestSupport {

struct ShellRun {
    std::string output;
    int status = -1;  // the raw wait status; -1 when the shell could not be started
};

inline ShellRun RunShell(const std::string& command)
{
    ShellRun run;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
        run.status = ::pclose(pipe);
    }
    return run;
}

// `text` quoted for /bin/sh as one word.
inline std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace TestSupport
