// The types every part of an HTTP exchange shares: the connection stream and the strand on
// which all of one connection's handlers run, so that results delivered from other threads
// never race with the connection's own reads and writes.
#pragma once

#include "transport/stream/AsyncPutbackStream.hpp"
#include "util/Asio.hpp"

namespace Lumo::Transport::PicoHttp {

using ConnectionStream = Lumo::Asio::AsyncPutbackStream;
using ConnectionStrand = boost::asio::strand<ConnectionStream::executor_type>;

}  // namespace Lumo::Transport::PicoHttp
