#include "platform/lumo/provider/MetadataFileError.hpp"

#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/FrameworkMessages.hpp"

namespace Lumo::Provider::Metadata {

namespace {

const char* MessageIdOf(MetadataFileError::Kind kind)
{
    switch (kind) {
        case MetadataFileError::Kind::kUnreadable:
            return "lumo.metadata.file.unreadable";
        case MetadataFileError::Kind::kMalformed:
            return "lumo.metadata.file.malformed";
        case MetadataFileError::Kind::kInvalid:
            return "lumo.metadata.file.invalid";
        case MetadataFileError::Kind::kDuplicate:
            return "lumo.metadata.file.duplicate";
    }
    return "lumo.metadata.file.invalid";
}

const Com::Orvane::Lumo::Std::Errors::StandardError& StandardErrorOf(MetadataFileError::Kind kind)
{
    using namespace Com::Orvane::Lumo::Std::Errors;
    switch (kind) {
        case MetadataFileError::Kind::kUnreadable:
            return ResourceInaccessible;
        case MetadataFileError::Kind::kDuplicate:
            return AlreadyExists;
        default:
            return InvalidArgument;
    }
}

}  // namespace

MetadataFileError::MetadataFileError(Kind kind, std::string path, std::string detail)
    : std::runtime_error(path + ": " + detail), kind_(kind), path_(std::move(path)), detail_(std::move(detail))
{
}

Data::ErrorValuePtr MetadataFileError::ToErrorValue() const
{
    // Loading happens at start-up, outside any request: render for the default locale.
    return Data::ErrorFactory::GetError(StandardErrorOf(kind_),
                                        {FrameworkMessages::Make(MessageIdOf(kind_), {path_, detail_})},
                                        L10n::RequestLocalizer());
}

}  // namespace Lumo::Provider::Metadata
