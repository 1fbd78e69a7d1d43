#include "tasks/TaskNotification.hpp"

#include <array>
#include <stdexcept>

#include "platform/lumo/DataValues.hpp"

namespace LifeCycle {

namespace {

using namespace Lumo::Data;

constexpr std::array<const char*, 3> kKindNames{"INFO", "WARNING", "ERROR"};

}  // namespace

DataValuePtr TaskNotification::ToValue() const
{
    if (kind < kInfo || kind > kError) {
        throw std::invalid_argument("notification kind " + std::to_string(static_cast<int>(kind)) +
                                    " is not one of INFO, WARNING, ERROR");
    }
    if (message.id.empty()) {
        throw std::invalid_argument("notification message has no id");
    }
    return std::make_shared<StructValue>(kTypeName,
                                         std::vector<CompoundValue::Field>{
                                             {"type", EnumValue::Create(kKindTypeName, kKindNames[kind])},
                                             {"time", DateTimeValue::Create(time)},
                                             {"message", message.ToValue()},
                                         });
}

std::optional<TaskNotification> TaskNotification::FromValue(const DataValue& value)
{
    const auto* fields = value.As<StructValue>();
    if (fields == nullptr || fields->TypeName() != kTypeName) {
        return std::nullopt;
    }
    auto typeField = fields->GetField("type");
    auto timeField = fields->GetField("time");
    auto messageField = fields->GetField("message");
    const auto* type = typeField != nullptr ? typeField->As<EnumValue>() : nullptr;
    const auto* time = timeField != nullptr ? timeField->As<DateTimeValue>() : nullptr;
    if (type == nullptr || type->TypeName() != kKindTypeName || time == nullptr || messageField == nullptr) {
        return std::nullopt;
    }
    auto message = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*messageField);
    if (!message) {
        return std::nullopt;
    }
    for (size_t kind = 0; kind < kKindNames.size(); ++kind) {
        if (type->Value() == kKindNames[kind]) {
            return TaskNotification{static_cast<Kind>(kind), std::move(*message), time->Get()};
        }
    }
    return std::nullopt;
}

}  // namespace LifeCycle
