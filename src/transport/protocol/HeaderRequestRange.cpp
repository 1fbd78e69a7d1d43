#include "transport/protocol/HeaderRequestRange.hpp"

#include <algorithm>

namespace Lumo::Transport::PicoHttp {

std::size_t HeaderRequestRange::Count() const
{
    // headerCount is the parser's output; never trust it past the array it counts.
    return std::min(request_->headerCount, HttpRequest::kMaxHeaders);
}

std::optional<std::string_view> HeaderRequestRange::Find(std::string_view name) const
{
    for (const auto& header : *this) {
        if (header.Name() == name) {
            return header.Value();
        }
    }
    return std::nullopt;
}

}  // namespace Lumo::Transport::PicoHttp
