#include "platform/lumo/EnumValue.hpp"

namespace Lumo::Data {

bool EnumValue::Equals(const DataValue& other) const
{
    const auto* same = other.As<EnumValue>();
    return same != nullptr && typeName_ == same->typeName_ && value_ == same->value_;
}

void EnumValue::AppendText(std::string& out) const
{
    if (!typeName_.empty()) {
        out += typeName_;
        out += "::";
    }
    out += value_;
}

}  // namespace Lumo::Data
