// StderrCapture collects what any thread writes to descriptor 2 while it is alive;
// LogCapture also mirrors the host log there at level 7. One capture at a time.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host/Log.hpp"

class StderrCapture {
public:
    StderrCapture() : file_(std::tmpfile())
    {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        dup2(fileno(file_), STDERR_FILENO);
    }
    virtual ~StderrCapture() { Take(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Restores stderr and returns everything written since construction.
    std::string Take()
    {
        if (saved_ >= 0) {
            std::fflush(stderr);
            dup2(saved_, STDERR_FILENO);
            close(saved_);
            saved_ = -1;
            std::rewind(file_);
            char buffer[4096];
            for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file_)) > 0;)
                text_.append(buffer, got);
            std::fclose(file_);
        }
        return text_;
    }

    std::vector<std::string> TakeLines()
    {
        std::vector<std::string> lines;
        std::istringstream text(Take());
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }

private:
    FILE* file_;
    int saved_ = -1;
    std::string text_;
};

class LogCapture : public StderrCapture {
public:
    LogCapture() { Log_SetStderrLevel(7); }
    ~LogCapture() override { Log_SetStderrLevel(0); }

    // Whether a line written so far (capture ends with the first call) contains `part`.
    bool Has(const std::string& part) { return Take().find(part) != std::string::npos; }
};
