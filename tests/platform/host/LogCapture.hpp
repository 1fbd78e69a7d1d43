// LogCapture: the host log lines written while it is alive, through the stderr mirror.
//
// Turns the mirror on at level 7 and captures descriptor 2; Texts() gives each line's
// text without the timestamp and priority prefix. One at a time per process.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "StderrCapture.hpp"
#include "platform/host/Log.hpp"

class LogCapture {
public:
    LogCapture() { Log_SetStderrLevel(7); }
    ~LogCapture() { Log_SetStderrLevel(0); }

    // Stops capturing and returns the line texts.
    std::vector<std::string> Texts()
    {
        std::vector<std::string> texts;
        for (const std::string& line : capture_.TakeLines()) {
            const size_t start = line.find("> ");
            texts.push_back(start == std::string::npos ? line : line.substr(start + 2));
        }
        Log_SetStderrLevel(0);
        return texts;
    }

    // Whether any of `texts` contains `part`.
    static bool AnyContains(const std::vector<std::string>& texts, const std::string& part)
    {
        return std::any_of(texts.begin(), texts.end(),
                           [&](const std::string& text) { return text.find(part) != std::string::npos; });
    }

private:
    StderrCapture capture_;
};
