#include "platform/lumo/StandardError.hpp"

#include "platform/lumo/ErrorValue.hpp"

namespace Com::Orvane::Lumo::Std::Errors {

bool StandardError::Matches(const ::Lumo::Data::DataValue& value) const
{
    const auto* error = value.As<::Lumo::Data::ErrorValue>();
    return error != nullptr && error->Name() == name_;
}

}  // namespace Com::Orvane::Lumo::Std::Errors
