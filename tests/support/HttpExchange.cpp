#include "support/HttpExchange.hpp"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace TestSupport {

HttpExchange::HttpExchange(const std::string& address, int port)
{
    addrinfo hints = {};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return;
    fd_ = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ >= 0 && connect(fd_, found->ai_addr, found->ai_addrlen) != 0) {
        close(fd_);
        fd_ = -1;
    }
    freeaddrinfo(found);
}

HttpExchange::~HttpExchange()
{
    if (fd_ >= 0) close(fd_);
}

bool HttpExchange::Send(const std::string& bytes)
{
    for (size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
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
        if (poll(&pfd, 1, static_cast<int>(quiet.count())) <= 0) break;
        const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) break;
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
