// ServicesDatabase: the TCP port of a named service, as the host's services database
// ("/etc/services" format) gives it.
//
// With a host root set, the root's own "/etc/services" is read first, so a test or demo
// root carries its port; the system resolver (getaddrinfo) answers otherwise. Stateless.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace Host::Settings::SettingsApi {

class ServicesDatabase {
public:
    // The port of `name` (or an alias) for protocol "tcp" in a services-format stream.
    static std::optional<uint16_t> FindTcpPort(std::istream& services, std::string_view name);

    // The port of `name`: the host root's services file first, then getaddrinfo. 0 when
    // neither knows it; the resolver's failure is logged.
    static uint16_t ResolveTcpPort(const std::string& name);
};

}  // namespace Host::Settings::SettingsApi
