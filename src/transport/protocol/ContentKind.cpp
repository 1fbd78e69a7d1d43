#include "transport/protocol/ContentKind.hpp"

namespace Lumo::Transport::Http {

namespace {

struct MediaTypeBit {
    uint32_t bit;
    std::string_view mediaType;
};

constexpr MediaTypeBit kMediaTypes[] = {
    {ContentKind::kJson, "application/json"},
    {ContentKind::kCleanJson, "application/vnd.orvane.lumo.cleanjson"},
    {ContentKind::kFramed, "application/vnd.orvane.lumo.framed"},
    {ContentKind::kCframedCleanJson, "application/vnd.orvane.lumo.cframed.cleanjson"},
    {ContentKind::kStreamJson, "application/vnd.orvane.lumo.stream.json"},
    {ContentKind::kCleanStreamJson, "application/vnd.orvane.lumo.clean.stream.json"},
};

}  // namespace

uint32_t ContentKind::Of(std::string_view headerValue)
{
    uint32_t bits = 0;
    for (const auto& entry : kMediaTypes) {
        if (headerValue.find(entry.mediaType) != std::string_view::npos) {
            bits |= entry.bit;
        }
    }
    return bits;
}

std::string_view ContentKind::MediaType(uint32_t kind)
{
    for (const auto& entry : kMediaTypes) {
        if (entry.bit == kind) {
            return entry.mediaType;
        }
    }
    return {};
}

}  // namespace Lumo::Transport::Http
