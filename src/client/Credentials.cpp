#include "client/Credentials.hpp"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "client/ClientError.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/host/Ticket.hpp"

namespace HostprefCtl {

namespace {

// The service name the daemon accepts tickets for.
constexpr const char* kTicketService = "Lifecycle";

void AddText(rapidjson::Value& object, const char* name, const std::string& text,
             rapidjson::Document::AllocatorType& allocator)
{
    object.AddMember(rapidjson::StringRef(name), rapidjson::Value(text.c_str(), allocator), allocator);
}

// Reads one line from the terminal with echo off; the terminal is restored on every path.
std::optional<std::string> PromptOnTerminal(const std::string& prompt)
{
    const int fd = open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    termios saved = {};
    const bool terminal = tcgetattr(fd, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    std::string line;
    bool ended = false;
    if (write(fd, prompt.data(), prompt.size()) >= 0) {
        char c = 0;
        while (read(fd, &c, 1) == 1 && c != '\n') line.push_back(c);
        ended = true;
    }
    if (terminal) tcsetattr(fd, TCSAFLUSH, &saved);
    (void)!write(fd, "\n", 1);
    close(fd);
    return ended ? std::optional<std::string>(line) : std::nullopt;
}

}  // namespace

Credentials::CallTicket::~CallTicket()
{
    if (!text_.empty()) Ticket_Delete(text_.c_str());
}

bool Credentials::CanMakeTickets()
{
    // The directory is made on first use, so the nearest existing parent decides.
    std::filesystem::path directory = HostRoot::Path(kTicketDirectory);
    std::error_code ignored;
    while (!std::filesystem::exists(directory, ignored) && directory.has_relative_path()) {
        directory = directory.parent_path();
    }
    return access(directory.c_str(), W_OK | X_OK) == 0;
}

std::optional<Credentials::CallTicket> Credentials::AddTo(rapidjson::Value& ctx,
                                                          rapidjson::Document::AllocatorType& allocator)
{
    rapidjson::Value security(rapidjson::kObjectType);
    std::optional<CallTicket> ticket;
    if (!user_.empty()) {
        AddText(security, "userName", user_, allocator);
        AddText(security, "password", Password(), allocator);
    } else if (CanMakeTickets()) {
        const std::string text = Ticket_Create(kTicketService);
        if (text.empty()) throw ClientError(kExitFailed, "cannot make a ticket in " + HostRoot::Path(kTicketDirectory));
        AddText(security, "ticket", text, allocator);
        ticket.emplace(text);
    } else {
        return ticket;
    }
    ctx.AddMember("securityCtx", security, allocator);
    return ticket;
}

const std::string& Credentials::Password()
{
    if (password_) return *password_;
    if (const char* fromEnvironment = std::getenv("HOSTPREFCTL_PASSWORD")) {
        password_ = fromEnvironment;
    } else {
        password_ = PromptOnTerminal("Password for " + user_ + ": ");
        if (!password_) throw UsageError("no password for " + user_ + ": set HOSTPREFCTL_PASSWORD or run on a terminal");
    }
    return *password_;
}

std::string Credentials::Hint() const
{
    if (!user_.empty()) return "check the user name and password of " + user_;
    return "give a user with --user (password from HOSTPREFCTL_PASSWORD or a prompt), or run as an operator who "
           "may write " + HostRoot::Path(kTicketDirectory);
}

}  // namespace HostprefCtl

