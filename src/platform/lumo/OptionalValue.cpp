#include "platform/lumo/OptionalValue.hpp"

namespace Lumo::Data {

std::shared_ptr<const OptionalValue> OptionalValue::GetInstance()
{
    static const auto unset = std::make_shared<const OptionalValue>();
    return unset;
}

std::shared_ptr<const OptionalValue> OptionalValue::Create(DataValuePtr value)
{
    if (value == nullptr) {
        return GetInstance();
    }
    return std::make_shared<const OptionalValue>(std::move(value));
}

bool OptionalValue::Equals(const DataValue& other) const
{
    const auto* same = other.As<OptionalValue>();
    return same != nullptr && Equal(value_, same->value_);
}

void OptionalValue::AppendText(std::string& out) const
{
    if (value_ == nullptr) {
        out += "<unset>";
    } else {
        value_->AppendText(out);
    }
}

}  // namespace Lumo::Data
