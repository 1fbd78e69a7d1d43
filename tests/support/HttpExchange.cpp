#include "support/HttpExchange.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace TestSupport {

HttpExchange::HttpExchange(const std::string& address, int port)
{
    sockaddr_storage storage = {};
    socklen_t length = 0;
    int family = address.find(':') == std::string::npos ? AF_INET : AF_INET6;
    if (family == AF_INET) {
        auto* in = reinterpret_cast<sockaddr_in*>(&storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(static_cast<uint16_t>(port));
        inet_pton(AF_INET, address.c_str(), &in->sin_addr);
        length = sizeof *in;
    } else {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(static_cast<uint16_t>(port));
        inet_pton(AF_INET6, address.c_str(), &in6->sin6_addr);
        length = sizeof *in6;
    }
    fd_ = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ >= 0 && connect(fd_, reinterpret_cast<sockaddr*>(&storage), length) != 0) {
        close(fd_);
        fd_ = -1;
    }
}

HttpExchange::~HttpExchange()
{
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool HttpExchange::Send(const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string HttpExchange::Receive(size_t enough, std::chrono::milliseconds quiet)
{
    std::string received;
    char buffer[65536];
    while (received.size() < enough) {
        pollfd pfd = {fd_, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(quiet.count())) <= 0) {
            break;
        }
        ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        received.append(buffer, static_cast<size_t>(n));
    }
    return received;
}

std::string HttpExchange::JsonPost(const std::string& body, const std::string& extraHeaders)
{
    return "POST / HTTP/1.1\r\nHost: localhost\r\nContent-Type: application/json\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

}  // namespace TestSupport
