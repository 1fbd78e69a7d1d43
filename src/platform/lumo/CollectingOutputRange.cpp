#include "platform/lumo/CollectingOutputRange.hpp"

namespace Lumo::Protocol::Json {

size_t CollectingOutputRange::Size() const
{
    size_t size = 0;
    for (const auto& piece : pieces_) {
        size += piece.Bytes().size();
    }
    return size;
}

std::string CollectingOutputRange::Joined() const
{
    std::string joined;
    joined.reserve(Size());
    for (const auto& piece : pieces_) {
        joined.append(piece.Bytes());
    }
    return joined;
}

}  // namespace Lumo::Protocol::Json
