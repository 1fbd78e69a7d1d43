// CapturedLog: the host log lines written while it is alive, each with its priority and its
// text (thread context entries included), read back from the standard-error mirror.
//
// Points descriptor 2 at a temporary file and turns the mirror on at the most verbose level;
// Take() or the destructor restores both. One at a time per process.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host/Log.hpp"

namespace TestLog {

struct LogLine {
    int priority = -1;
    std::string text;
};

class CapturedLog {
public:
    CapturedLog() : file_(std::tmpfile())
    {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        dup2(fileno(file_), STDERR_FILENO);
        Log_SetStderrLevel(7);
    }
    ~CapturedLog() { Restore(); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    // Stops capturing and returns the lines in order.
    std::vector<LogLine> Take()
    {
        Restore();
        std::vector<LogLine> lines;
        std::istringstream text(raw_);
        for (std::string raw; std::getline(text, raw);) {
            // "<time> hostprefd[<pid>]: <priority> <text>"
            const size_t open = raw.find(": <");
            const size_t close = open == std::string::npos ? open : raw.find("> ", open);
            if (close != std::string::npos) {
                lines.push_back({std::stoi(raw.substr(open + 3, close - open - 3)), raw.substr(close + 2)});
            }
        }
        return lines;
    }

    // The index of the first line containing `part`, or -1.
    static int Find(const std::vector<LogLine>& lines, const std::string& part)
    {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].text.find(part) != std::string::npos) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

private:
    void Restore()
    {
        if (saved_ < 0) {
            return;
        }
        Log_SetStderrLevel(0);
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        saved_ = -1;
        std::rewind(file_);
        char buffer[4096];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) {
            raw_.append(buffer, got);
        }
        std::fclose(file_);
    }

    FILE* file_;
    int saved_ = -1;
    std::string raw_;
};

}  // namespace TestLog
