// Lumo::Data::EnumValue: one constant of a named enumeration, e.g. ("com.orvane.hub.task.status", "RUNNING").
//
// Immutable once shared; thread-safe for readers.
#pragma once

#include <string>

#include "platform/lumo/DataValue.hpp"

namespace Lumo::Data {

class EnumValue final : public DataValue {
public:
    static constexpr DataKind kKind = DataKind::kEnum;
    static bool IsKind(DataKind kind) { return kind == kKind; }

    EnumValue(std::string typeName, std::string value)
        : DataValue(kKind), typeName_(std::move(typeName)), value_(std::move(value))
    {
    }

    // A new shared constant `value` of enumeration `typeName`.
    static std::shared_ptr<const EnumValue> Create(std::string typeName, std::string value)
    {
        return std::make_shared<const EnumValue>(std::move(typeName), std::move(value));
    }

    const std::string& TypeName() const { return typeName_; }
    const std::string& Value() const { return value_; }

    bool Equals(const DataValue& other) const override;
    void AppendText(std::string& out) const override;

private:
    std::string typeName_;
    std::string value_;
};

}  // namespace Lumo::Data
