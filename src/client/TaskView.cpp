#include "client/TaskView.hpp"

#include <algorithm>
#include <vector>

#include "client/TextTable.hpp"
#include "client/ValueText.hpp"

namespace HostprefCtl {

namespace {

const rapidjson::Value& NullValue()
{
    static const rapidjson::Value null;
    return null;
}

const rapidjson::Value& Field(const rapidjson::Value& object, const char* name)
{
    return object.IsObject() && object.HasMember(name) ? object[name] : NullValue();
}

std::string PercentText(const TaskState& state)
{
    return std::to_string(state.percent) + "%";
}

void PrintLabelled(std::ostream& out, const char* label, const std::string& text)
{
    std::string line = std::string(label) + ":";
    line.resize(12, ' ');
    out << line << text << '\n';
}

void PrintBlock(std::ostream& out, const char* label, const rapidjson::Value& value)
{
    if (ValueText::IsInline(value)) return PrintLabelled(out, label, ValueText::Inline(value));
    out << label << ":\n";
    for (const std::string& line : ValueText::Lines(value)) out << "  " << line << '\n';
}

void PrintNotifications(std::ostream& out, const rapidjson::Value& notifications)
{
    for (const char* kind : {"errors", "warnings", "info"}) {
        const rapidjson::Value& list = Field(notifications, kind);
        if (!list.IsArray()) continue;
        for (const auto& notification : list.GetArray()) {
            PrintLabelled(out, "Note", ValueText::Member(notification, "kind") + " " +
                                           ValueText::Message(Field(notification, "message")));
        }
    }
}

}  // namespace

TaskState TaskView::State(const rapidjson::Value& info)
{
    TaskState state;
    state.status = ValueText::Member(info, "status");
    const rapidjson::Value& progress = Field(info, "progress");
    const rapidjson::Value& total = Field(progress, "total");
    const rapidjson::Value& completed = Field(progress, "completed");
    if (total.IsInt64() && completed.IsInt64() && total.GetInt64() > 0) {
        state.percent = static_cast<int>(std::clamp<int64_t>(completed.GetInt64() * 100 / total.GetInt64(), 0, 100));
    }
    if (state.status == "SUCCEEDED") state.percent = 100;
    state.message = ValueText::Message(Field(progress, "message"));
    return state;
}

void TaskView::PrintSummary(const rapidjson::Value& info, std::ostream& out)
{
    const TaskState state = State(info);
    PrintLabelled(out, "Task", ValueText::Member(info, "id"));
    PrintLabelled(out, "Status", state.status + "  " + PercentText(state) + "  " + state.message);
    for (const auto& [label, field] : {std::pair{"Operation", "operation"}, std::pair{"User", "user"}, std::pair{"Created", "created_time"},
                                       std::pair{"Started", "start_time"}, std::pair{"Ended", "end_time"}}) {
        const std::string text = ValueText::Member(info, field);
        if (!text.empty()) PrintLabelled(out, label, text);
    }
    if (!Field(info, "result").IsNull()) PrintBlock(out, "Result", Field(info, "result"));
    const std::string error = ErrorText(info);
    if (!error.empty()) PrintLabelled(out, "Error", error);
    PrintNotifications(out, Field(info, "notifications"));
}

void TaskView::PrintTable(const rapidjson::Value& tasks, std::ostream& out)
{
    if (!tasks.IsObject() || tasks.MemberCount() == 0) {
        out << "No tasks.\n";
        return;
    }
    std::vector<const rapidjson::Value*> infos;
    for (const auto& member : tasks.GetObject()) infos.push_back(&member.value);
    std::stable_sort(infos.begin(), infos.end(), [](const rapidjson::Value* a, const rapidjson::Value* b) {
        return ValueText::Member(*a, "created_time") < ValueText::Member(*b, "created_time");
    });
    TextTable table({"id", "operation", "status", "progress", "started", "ended"});
    for (const rapidjson::Value* info : infos) {
        const TaskState state = State(*info);
        table.Add({ValueText::Member(*info, "id"), ValueText::Member(*info, "operation"), state.status,
                   PercentText(state), ValueText::Inline(Field(*info, "start_time")),
                   ValueText::Inline(Field(*info, "end_time"))});
    }
    table.Print(out);
}

std::string TaskView::ErrorText(const rapidjson::Value& info)
{
    const rapidjson::Value& messages = Field(Field(info, "error"), "messages");
    std::string text;
    if (!messages.IsArray()) return text;
    for (const auto& message : messages.GetArray()) {
        text += (text.empty() ? "" : "; ") + ValueText::Message(message) + " (" + ValueText::Member(message, "id") + ")";
    }
    return text;
}

}  // namespace HostprefCtl
