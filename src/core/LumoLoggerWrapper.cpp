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

// The string stream the records of this thread take turns with.
struct ThreadStream {
    std::ostringstream stream;
    bool taken = false;
};
thread_local ThreadStream threadStream;

// Rewinds `stream` and gives it back the state a fresh stream has, keeping its buffer:
// the next line is written over the old one, and Text() knows where it ends.
void Reset(std::ostringstream& stream)
{
    stream.clear();
    stream.seekp(0);
    stream.flags(std::ios_base::skipws | std::ios_base::dec);
    stream.precision(6);
    stream.width(0);
    stream.fill(' ');
}

// What was written into `stream` since it was last reset.
std::string_view Text(std::ostringstream& stream)
{
    const std::streamoff end = stream.tellp();
    const std::string_view all = stream.view();
    return end < 0 ? all : all.substr(0, static_cast<size_t>(end));
}

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

LumoLoggerWrapper::Record::Record(uint32_t level) : level_(level), text_(&threadStream.stream)
{
    if (threadStream.taken) {
        own_ = std::make_unique<std::ostringstream>();
        text_ = own_.get();
    } else {
        threadStream.taken = true;
    }
}

LumoLoggerWrapper::Record::~Record()
{
    if (level_ > kMaxLevel) {
        Panic("NOT_REACHED %s:%d\n", kLoggerSource, 79);
    }
    // "%.*s" so that a '%' in the framework's text is never read as a conversion.
    const std::string_view text = Text(*text_);
    CSLogger::Log(kPriority[level_], "%.*s", static_cast<int>(text.size()), text.data());
    if (own_ == nullptr) {
        Reset(threadStream.stream);
        threadStream.taken = false;
    }
}

}  // namespace Host::Settings::SettingsApi
