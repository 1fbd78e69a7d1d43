// CollectingLogger: a framework logger that keeps every record, for tests that check
// log lines. Thread-safe: records may be written from any thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/lumo/Logger.hpp"

namespace TestSupport {

class CollectingLogger : public Lumo::Log::Logger {
public:
    struct Line {
        uint32_t level;
        std::string text;
    };

    std::unique_ptr<Lumo::Log::LogRecord> CreateRecord(uint32_t level) override
    {
        return std::make_unique<Record>(*this, level);
    }
    void Flush() override {}

    std::vector<Line> Lines() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }

    // Lines that contain `part`.
    std::vector<Line> Containing(const std::string& part) const
    {
        std::vector<Line> found;
        for (Line& line : Lines()) {
            if (line.text.find(part) != std::string::npos) found.push_back(std::move(line));
        }
        return found;
    }

    // Waits until a line containing `part` was written; false after `timeout`.
    bool WaitFor(const std::string& part, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const
    {
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (Containing(part).empty()) {
            if (std::chrono::steady_clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

private:
    class Record : public Lumo::Log::LogRecord {
    public:
        Record(CollectingLogger& owner, uint32_t level) : owner_(owner), level_(level) {}
        std::ostream& Stream() override { return text_; }
        ~Record() override
        {
            std::lock_guard<std::mutex> lock(owner_.mutex_);
            owner_.lines_.push_back({level_, text_.str()});
        }

    private:
        CollectingLogger& owner_;
        uint32_t level_;
        std::ostringstream text_;
    };

    mutable std::mutex mutex_;
    std::vector<Line> lines_;
};

}  // namespace TestSupport
