// LifeCycle::DepotArguments: the " --depot <url>" arguments of the software task command lines,
// for depot URLs a client gave.
//
// Static only; thread-safe (the URL expression is compiled once, on first use).
#pragma once

#include <string>
#include <vector>

#include "platform/lumo/ErrorValue.hpp"

namespace LifeCycle {

class DepotArguments {
public:
    // Appends " --depot " and each URL to `command`, in order. An empty list, or a URL with a
    // character outside the URL set, stops it with InvalidArgument ("invalid input") in
    // `error`; what was appended before then stays. True when every URL was appended.
    static bool Append(const std::vector<std::string>& urls, std::string& command,
                       Lumo::Data::ErrorValuePtr& error);
};

}  // namespace LifeCycle
