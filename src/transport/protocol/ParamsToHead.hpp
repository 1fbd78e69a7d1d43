// Lumo::Transport::Http::ParamsToHead: what the header list of an API answer depends on
// besides the error: the answer's media type kind and keep-alive.
//
// A plain value.
#pragma once

#include <cstdint>

namespace Lumo::Transport::Http {

struct ParamsToHead {
    uint32_t acceptKind = 1;
    bool keepAlive = true;
};

}  // namespace Lumo::Transport::Http
