// LifeCycle::TaskNotification: a notice that a running task leaves for its client (kind,
// rendered message, time), and its data value form, which the task store keeps as tagged
// JSON and the tasks service reads back.
//
// A plain value type; thread-safe as any const value. As a data value it is a structure of
// type "com.orvane.tarn.hostpref_daemon.notification" with the fields "type" (enumeration
// "com.orvane.tarn.hostpref_daemon.notification.type": "INFO", "WARNING", "ERROR"), "time"
// and "message" (a localizable message).
#pragma once

#include <optional>
#include <string>

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/DateTime.hpp"
#include "platform/lumo/LocalizableMessage.hpp"

namespace LifeCycle {

struct TaskNotification {
    static constexpr const char* kTypeName = "com.orvane.tarn.hostpref_daemon.notification";
    static constexpr const char* kKindTypeName = "com.orvane.tarn.hostpref_daemon.notification.type";

    enum Kind : int { kInfo = 0, kWarning = 1, kError = 2 };

    Kind kind = kInfo;
    Com::Orvane::Lumo::Std::LocalizableMessage message;
    Lumo::DateTime time;

    // The notification as a data value. Throws std::invalid_argument when it cannot be one:
    // a kind outside the three, or a message without an id.
    Lumo::Data::DataValuePtr ToValue() const;

    // The notification that `value` holds, or nullopt when it holds none.
    static std::optional<TaskNotification> FromValue(const Lumo::Data::DataValue& value);

    bool operator==(const TaskNotification&) const = default;
};

}  // namespace LifeCycle
