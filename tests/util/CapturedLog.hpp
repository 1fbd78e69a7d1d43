// CapturedLog: the host log lines written while it is alive, each with its priority and its
// text (thread context entries included), read back from the standard-error mirror.
// One at a time per process.
#pragma once

#include <gtest/gtest.h>

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
    CapturedLog()
    {
        testing::internal::CaptureStderr();
        Log_SetStderrLevel(7);
    }
    ~CapturedLog() { Take(); }

    // Stops capturing and returns the lines in order.
    std::vector<LogLine> Take()
    {
        std::vector<LogLine> lines;
        if (taken_) {
            return lines;
        }
        taken_ = true;
        Log_SetStderrLevel(0);
        std::istringstream text(testing::internal::GetCapturedStderr());
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
    bool taken_ = false;
};

}  // namespace TestLog
