// The one way the tree includes Boost.Asio. Boost 1.74's Asio uses std::exchange
// without including <utility>, which breaks under g++ 12 in C++20 mode.
#pragma once

#include <utility>

#include <boost/asio.hpp>
