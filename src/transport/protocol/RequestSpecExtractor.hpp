// Lumo::Transport::Http::RequestSpecExtractor: derives the RequestSpec of a request from its
// headers (Content-Type, Accept, Connection, Content-Length).
//
// Stateless; thread-safe. The decoder and encoders it hands out are shared, immutable
// instances.
#pragma once

#include "transport/protocol/HeaderRequestRange.hpp"
#include "transport/protocol/RequestSpec.hpp"

namespace Lumo::Transport::Http {

class RequestSpecExtractor {
public:
    // The spec for the request behind `headers` (names lower case, as the head parser leaves them).
    static RequestSpec Extract(const PicoHttp::HeaderRequestRange& headers);

    // The acceptKind for an Accept value: 32, else 16, else 2, else 1, by the bits present.
    static uint32_t ChooseAcceptKind(uint32_t acceptBits);

    // The response encoder for `acceptKind` (direct form for kinds 2, 8 and 32).
    static std::shared_ptr<const Protocol::Json::JsonApiSerializerBase> EncoderFor(uint32_t acceptKind);
};

}  // namespace Lumo::Transport::Http
