#include "platform/lumo/JsonErrors.hpp"

#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/FrameworkMessages.hpp"

namespace Lumo::Protocol::Json {

Data::ErrorValuePtr JsonErrors::Malformed(size_t offset, std::string_view reason)
{
    return Data::ErrorFactory::GetError(
        Com::Orvane::Lumo::Std::Errors::InvalidArgument,
        {FrameworkMessages::Make("lumo.json.malformed", {std::to_string(offset), std::string(reason)})},
        L10n::RequestLocalizer());
}

Data::ErrorValuePtr JsonErrors::InvalidValue(std::string_view path, std::string_view reason)
{
    return Data::ErrorFactory::GetError(
        Com::Orvane::Lumo::Std::Errors::InvalidArgument,
        {FrameworkMessages::Make("lumo.json.invalid.value", {std::string(path), std::string(reason)})},
        L10n::RequestLocalizer());
}

}  // namespace Lumo::Protocol::Json
