// Lumo::Transport::Http::RequestSpec: what the request headers decided about one API call:
// the media types, the decoder and encoder to use, streaming and keep-alive.
//
// Built once per request by RequestSpecExtractor, then shared read-only by the protocol
// handler and the response path; thread-safe as a const value.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/lumo/JsonApiRequestDeserializer.hpp"
#include "platform/lumo/JsonApiSerializerBase.hpp"
#include "transport/protocol/ContentKind.hpp"

namespace Lumo::Transport::Http {

struct RequestSpec {
    uint64_t contentLength = 0;  // Content-Length, read as decimal
    std::string contentType;     // the raw Content-Type value
    // Set only when the body is plain "application/json".
    std::shared_ptr<const Protocol::Json::JsonApiRequestDeserializer> requestDecoder;
    // The encoder of the answer's media type (tagged or direct form).
    std::shared_ptr<const Protocol::Json::JsonApiSerializerBase> responseEncoder;
    bool streaming = false;  // Accept names a ".stream.json" media type
    bool keepAlive = true;   // cleared by "Connection: close"
    uint32_t contentKind = 0;
    uint32_t acceptKind = ContentKind::kJson;

    // True when the request can be decoded and answered.
    bool Valid() const { return requestDecoder != nullptr && responseEncoder != nullptr; }
};

}  // namespace Lumo::Transport::Http
