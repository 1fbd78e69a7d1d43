#include "platform/host/taskdb/TaskJson.hpp"

#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

namespace TaskDB {

namespace {

using Writer = rapidjson::PrettyWriter<rapidjson::StringBuffer>;

void WriteText(Writer& writer, const char* name, const std::string& value)
{
    writer.Key(name);
    writer.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
}

void WriteList(Writer& writer, const char* name, const std::vector<std::string>& values)
{
    writer.Key(name);
    writer.StartArray();
    for (const std::string& value : values) {
        writer.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
    }
    writer.EndArray();
}

void WriteTask(Writer& writer, const TaskInfo& task)
{
    writer.StartObject();
    WriteText(writer, "id", task.id);
    WriteText(writer, "operation", task.operation);
    WriteText(writer, "user", task.user);
    WriteText(writer, "created", task.created);
    WriteText(writer, "status", task.status);
    WriteText(writer, "startTime", task.startTime);
    WriteText(writer, "endTime", task.endTime);
    writer.Key("completed");
    writer.Int(task.completed);
    writer.Key("total");
    writer.Int(task.total);
    writer.Key("startProgress");
    writer.Int(task.startProgress);
    WriteText(writer, "message", task.message);
    WriteText(writer, "result", task.result);
    WriteText(writer, "errorText", task.errorText);
    WriteText(writer, "errorId", task.errorId);
    WriteList(writer, "errorArgs", task.errorArgs);
    WriteList(writer, "notifications", task.notifications);
    writer.EndObject();
}

}  // namespace

std::string ToJson(const TaskInfo& task)
{
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    WriteTask(writer, task);
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string ToJson(const std::map<std::string, TaskInfo>& tasks)
{
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    for (const auto& [id, task] : tasks) {
        writer.Key(id.data(), static_cast<rapidjson::SizeType>(id.size()));
        WriteTask(writer, task);
    }
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

bool IsJson(std::string_view text)
{
    rapidjson::Document document;
    document.Parse(text.data(), text.size());
    return !document.HasParseError();
}

}  // namespace TaskDB
