// InvalidRequestAnswer: the 400 JSON answer to a request refused on its headers or its body
// (unusable media type, body too long or unreadable). The body is an error value with
// "code" 400 and "message", always in the tagged JSON form; the connection closes after it.
//
// Stateless; Send is called on the connection's strand.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/lumo/ErrorValue.hpp"
#include "transport/http/TransactionChannel.hpp"
#include "transport/protocol/RequestSpec.hpp"

namespace Lumo::Transport::Http {

class InvalidRequestAnswer {
public:
    // The error the answer carries: "invalid_content_type" when no known media type was
    // named, else "request_exceeds_max_size" when the declared length is over `bodyLimit`,
    // else "invalid_request".
    static Data::ErrorValuePtr ChooseError(const RequestSpec& spec, std::uint64_t bodyLimit);

    // Writes the answer on `channel`, logs the outcome and ends the exchange with
    // `outcome` (the "InvalidRequest" error value when null), which closes the connection.
    static void Send(const std::shared_ptr<TransactionChannel>& channel, const RequestSpec& spec,
                     std::uint64_t bodyLimit, Data::ErrorValuePtr outcome = nullptr);
};

}  // namespace Lumo::Transport::Http
