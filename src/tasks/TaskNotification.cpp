#include "tasks/TaskNotification.hpp"

#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"
#include "platform/lumo/ValueToNativeAdapter.hpp"

namespace LifeCycle {

std::string TaskNotification::Encode(const Notification& notification)
{
    return Lumo::Protocol::Json::TaggedJsonCodec::Encode(
        *Lumo::Bindings::NativeToValueAdapter::Adapt(notification));
}

std::variant<TaskNotification::Notification, std::string> TaskNotification::Decode(const std::string& text)
{
    auto decoded = Lumo::Protocol::Json::TaggedJsonCodec::Decode(text);
    if (!decoded.Ok()) {
        // A plain object is not tagged JSON; it may still be the direct form.
        auto direct = Lumo::Protocol::Json::DirectJsonCodec::Decode(text);
        if (!direct.Ok()) {
            return decoded.error->ToString();
        }
        decoded = std::move(direct);
    }
    Notification notification;
    const auto error = Lumo::Bindings::ValueToNativeAdapter::Adapt(decoded.value, notification);
    if (error != nullptr) {
        return error->ToString();
    }
    return notification;
}

}  // namespace LifeCycle
