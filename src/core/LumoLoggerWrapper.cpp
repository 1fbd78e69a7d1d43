#include "core/LumoLoggerWrapper.hpp"

#include "platform/host/CSLogger.hpp"
#include "platform/host/Log.hpp"
#include "platform/host/Panic.hpp"

namespace Host::Settings::SettingsApi {

namespace {

constexpr uint32_t kMaxLevel = 5;

// Framework level -> host level asked of Log_IsEnabled.
constexpr int kHostLevel[kMaxLevel + 1] = {7, 6, 5, 3, 2, 1};
// Framework level -> CSLogger priority used to write.
constexpr int kPriority[kMaxLevel + 1] = {4, 3, 2, 1, 0, 0};

// The framework header's names, kept so that a crash report points where the host's
// own builds point.
constexpr const char* kLoggerSource = "apps/lifecycle/lumo/_virtual_includes/headers/logger";

}  // namespace

std::unique_ptr<Lumo::Log::LogRecord> LumoLoggerWrapper::CreateRecord(uint32_t level)
{
    if (level > kMaxLevel) {
        Panic("NOT_REACHED %s:%d\n", kLoggerSource, 102);
    }
    if (!Log_IsEnabled(kHostLevel[level])) {
        return nullptr;
    }
    return std::make_unique<Record>(level);
}

LumoLoggerWrapper::Record::~Record()
{
    if (level_ > kMaxLevel) {
        Panic("NOT_REACHED %s:%d\n", kLoggerSource, 79);
    }
    // "%s" so that a '%' in the framework's text is never read as a conversion.
    CSLogger::Log(kPriority[level_], "%s", text_.str().c_str());
}

}  // namespace Host::Settings::SettingsApi
