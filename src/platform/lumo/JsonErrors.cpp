#include "platform/lumo/JsonErrors.hpp"

#include "platform/lumo/ErrorFactory.hpp"

namespace Lumo::Protocol::Json {

Data::ErrorValuePtr JsonErrors::Malformed(size_t offset, std::string_view reason)
{
    return Data::ErrorFactory::GetError(
        Com::Orvane::Lumo::Std::Errors::InvalidArgument,
        {BaseMessage("lumo.json.malformed", "Malformed JSON at offset {1}: {2}",
                     {std::to_string(offset), std::string(reason)})},
        L10n::RequestLocalizer());
}

Data::ErrorValuePtr JsonErrors::InvalidValue(std::string_view path, std::string_view reason)
{
    return Data::ErrorFactory::GetError(
        Com::Orvane::Lumo::Std::Errors::InvalidArgument,
        {BaseMessage("lumo.json.invalid.value", "Invalid data value at {1}: {2}",
                     {std::string(path), std::string(reason)})},
        L10n::RequestLocalizer());
}

}  // namespace Lumo::Protocol::Json
