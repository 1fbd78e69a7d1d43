// StderrCapture: collects what the process writes to descriptor 2 while it is alive.
//
// Descriptor 2 is pointed at an anonymous temporary file and restored by Take() or the
// destructor. Writers on any thread are captured. One at a time per process.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        file_ = std::tmpfile();
        saved_ = dup(STDERR_FILENO);
        dup2(fileno(file_), STDERR_FILENO);
    }

    ~StderrCapture() { Restore(); }

    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Restores stderr and returns everything written since construction.
    std::string Take()
    {
        Restore();
        std::string text;
        if (file_ != nullptr) {
            std::rewind(file_);
            char buffer[4096];
            size_t got;
            while ((got = std::fread(buffer, 1, sizeof buffer, file_)) > 0) {
                text.append(buffer, got);
            }
            std::fclose(file_);
            file_ = nullptr;
        }
        return text;
    }

    // Take(), split into lines without their newlines.
    std::vector<std::string> TakeLines()
    {
        std::vector<std::string> lines;
        std::istringstream text(Take());
        for (std::string line; std::getline(text, line);) {
            lines.push_back(line);
        }
        return lines;
    }

private:
    void Restore()
    {
        if (saved_ >= 0) {
            std::fflush(stderr);
            dup2(saved_, STDERR_FILENO);
            close(saved_);
            saved_ = -1;
        }
    }

    FILE* file_ = nullptr;
    int saved_ = -1;
};
