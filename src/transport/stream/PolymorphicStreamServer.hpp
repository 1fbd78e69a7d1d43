// PolymorphicStreamServer: the face of an accept loop as the endpoint holds it.
//
// Implementations are shared objects kept alive by their pending accept; Start and Stop are
// called on the I/O thread (or before it runs).
#pragma once

namespace Lumo::Asio {

class PolymorphicStreamServer {
public:
    virtual ~PolymorphicStreamServer() = default;
    // Issues the first accept; connections are handed off from then on.
    virtual void Start() = 0;
    // Closes the listening socket and cancels a pending retry; accepted connections go on.
    virtual void Stop() = 0;
};

}  // namespace Lumo::Asio
