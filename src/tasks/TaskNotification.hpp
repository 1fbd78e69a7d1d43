// LifeCycle::TaskNotification: the stored form of a task's notifications. The task store keeps
// each one as the JSON of a Com::Orvane::Tarn::HostprefDaemon::Notification (kind, id, message,
// time), written by the daemon's task handles and by the tools it launches, and read back by
// the tasks service; both directions go through the framework's adapters.
//
// Static only; thread-safe.
#pragma once

#include <string>
#include <variant>

#include "generated/Com/Orvane/Tarn/HostprefDaemon/Notification.hpp"

namespace LifeCycle {

class TaskNotification {
public:
    using Notification = Com::Orvane::Tarn::HostprefDaemon::Notification;

    // `notification` as the tagged JSON text the store keeps.
    static std::string Encode(const Notification& notification);

    // The notification a stored text holds, or why it holds none. Both JSON forms are read:
    // the tagged one the daemon and the tools write, and the direct one a person writes by
    // hand (hostpref-taskdb notify).
    static std::variant<Notification, std::string> Decode(const std::string& text);
};

}  // namespace LifeCycle
