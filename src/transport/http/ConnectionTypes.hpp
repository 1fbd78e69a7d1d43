// The types every part of an HTTP exchange shares: the connection stream and the strand on
// which all of one connection's handlers run, so that results delivered from other threads
// never race with the connection's own reads and writes. The strand is over the I/O
// context's own executor type rather than the sockets' type-erased one: every handler of a
// call passes through it, and the erased form costs an allocation and indirect calls each
// time.
#pragma once

#include "transport/stream/AsyncPutbackStream.hpp"
#include "util/Asio.hpp"

namespace Lumo::Transport::PicoHttp {

using ConnectionStream = Lumo::Asio::AsyncPutbackStream;
using ConnectionStrand = boost::asio::strand<boost::asio::io_context::executor_type>;

}  // namespace Lumo::Transport::PicoHttp
