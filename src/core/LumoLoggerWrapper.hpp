// LumoLoggerWrapper: the framework's log sink, forwarding every framework record to the
// host logger (CSLogger) at the priority that matches its level.
//
// One shared instance is made at start-up and handed to the provider and the endpoint.
// It holds no state, so it needs no lock; each record lives on one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <sstream>

#include "platform/lumo/Logger.hpp"

namespace Host::Settings::SettingsApi {

class LumoLoggerWrapper : public Lumo::Log::Logger {
public:
    // A record collecting one line, or null when the host has the level's output off,
    // so that the framework formats nothing. A level above 5 ends the process.
    std::unique_ptr<Lumo::Log::LogRecord> CreateRecord(uint32_t level) override;
    // Nothing is buffered.
    void Flush() override {}

    class Record : public Lumo::Log::LogRecord {
    public:
        explicit Record(uint32_t level);
        std::ostream& Stream() override { return *text_; }
        // Writes the collected text as one host log line.
        ~Record() override;

    private:
        uint32_t level_;
        // Building a string stream costs more than most lines it collects, so each thread
        // keeps one and its records take turns with it; a record made while the thread's
        // stream is taken (a record inside another) gets one of its own.
        std::ostringstream* text_;
        std::unique_ptr<std::ostringstream> own_;
    };
};

}  // namespace Host::Settings::SettingsApi
