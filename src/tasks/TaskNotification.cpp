#include "tasks/TaskNotification.hpp"

#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"
#include "platform/lumo/JsonParser.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"
#include "platform/lumo/TaggedNativeReader.hpp"
#include "platform/lumo/ValueToNativeAdapter.hpp"

namespace LifeCycle {

std::string TaskNotification::Encode(const Notification& notification)
{
    return Lumo::Protocol::Json::TaggedJsonCodec::Encode(
        *Lumo::Bindings::NativeToValueAdapter::Adapt(notification));
}

std::variant<TaskNotification::Notification, std::string> TaskNotification::Decode(const std::string& text)
{
    namespace Json = Lumo::Protocol::Json;
    std::string parsed = text;
    rapidjson::Document document;
    if (auto error = Json::JsonParser::ParseInsitu(parsed, document)) {
        return error->ToString();
    }
    // The tagged form the daemon and the tools write is read straight into the native; any
    // other text takes the adapters' way, which also says what is wrong with it.
    Notification notification;
    if (Json::TaggedNativeReader::Read(document, notification)) {
        return notification;
    }
    auto decoded = Json::TaggedJsonCodec::FromJson(document);
    if (!decoded.Ok()) {
        // A plain object is not tagged JSON; it may still be the direct form.
        auto direct = Json::DirectJsonCodec::FromJson(document);
        if (!direct.Ok()) {
            return decoded.error->ToString();
        }
        decoded = std::move(direct);
    }
    notification = Notification{};
    const auto error = Lumo::Bindings::ValueToNativeAdapter::Adapt(decoded.value, notification);
    if (error != nullptr) {
        return error->ToString();
    }
    return notification;
}

}  // namespace LifeCycle
