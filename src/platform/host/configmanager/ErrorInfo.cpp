#include "platform/host/configmanager/ErrorInfo.hpp"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace TarnConfigManager {

std::string ErrorInfo::ToJson() const
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartArray();
    for (const LocalizableMessage& message : messages) {
        writer.StartObject();
        writer.Key("id");
        writer.String(message.id);
        writer.Key("text");
        writer.String(message.text);
        writer.Key("args");
        writer.StartArray();
        for (const std::string& arg : message.args) writer.String(arg);
        writer.EndArray();
        writer.EndObject();
    }
    writer.EndArray();
    return buffer.GetString();
}

}  // namespace TarnConfigManager
