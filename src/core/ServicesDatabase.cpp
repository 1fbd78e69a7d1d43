#include "core/ServicesDatabase.hpp"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/host/CSLogger.hpp"
#include "platform/host/HostRoot.hpp"

namespace Host::Settings::SettingsApi {

namespace {

// "8307/tcp" -> 8307 when the protocol is tcp and the number a valid port.
std::optional<uint16_t> ParseTcpPortField(std::string_view field)
{
    auto slash = field.find('/');
    if (slash == std::string_view::npos || field.substr(slash + 1) != "tcp") {
        return std::nullopt;
    }
    unsigned port = 0;
    auto digits = field.substr(0, slash);
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (ec != std::errc() || end != digits.data() + digits.size() || port == 0 || port > 65535) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(port);
}

uint16_t ResolveWithGetaddrinfo(const std::string& name)
{
    addrinfo hints = {};
    hints.ai_flags = AI_ADDRCONFIG;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = 0;
    addrinfo* result = nullptr;
    int rc = getaddrinfo(nullptr, name.c_str(), &hints, &result);
    if (rc != 0) {
        bool system = rc == EAI_SYSTEM;
        CSLogger::Log(0, "getaddrinfo failed. Error: %s%s%s", gai_strerror(rc), system ? " system error: " : "",
                      system ? std::strerror(errno) : "");
        return 0;
    }
    uint16_t port = 0;
    if (result->ai_family == AF_INET) {
        port = ntohs(reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_port);
    } else if (result->ai_family == AF_INET6) {
        port = ntohs(reinterpret_cast<const sockaddr_in6*>(result->ai_addr)->sin6_port);
    }
    freeaddrinfo(result);
    return port;
}

}  // namespace

std::optional<uint16_t> ServicesDatabase::FindTcpPort(std::istream& services, std::string_view name)
{
    std::string line;
    while (std::getline(services, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string service, portField, alias;
        if (!(words >> service >> portField)) {
            continue;
        }
        bool named = service == name;
        while (!named && words >> alias) {
            named = alias == name;
        }
        if (!named) {
            continue;
        }
        if (auto port = ParseTcpPortField(portField)) {
            return port;
        }
    }
    return std::nullopt;
}

uint16_t ServicesDatabase::ResolveTcpPort(const std::string& name)
{
    if (!HostRoot::Prefix().empty()) {
        std::ifstream services(HostRoot::Path("/etc/services"));
        if (auto port = FindTcpPort(services, name)) {
            return *port;
        }
    }
    return ResolveWithGetaddrinfo(name);
}

}  // namespace Host::Settings::SettingsApi
