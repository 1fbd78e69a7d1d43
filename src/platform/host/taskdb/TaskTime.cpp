#include "platform/host/taskdb/TaskTime.hpp"

#include "platform/host/UtcTime.hpp"

namespace TaskDB {

std::string FormatUtcTime(std::chrono::system_clock::time_point when) { return UtcTime_Format(when); }

std::string UtcNow() { return UtcTime_Now(); }

}  // namespace TaskDB
