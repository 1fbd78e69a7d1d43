// Credentials: how hostprefctl proves who calls. With a user name (--user or
// HOSTPREFCTL_USER) it sends that user and the password from HOSTPREFCTL_PASSWORD or a
// prompt on the terminal; without one it makes a one-time ticket bound to "Lifecycle" for
// each call when it may write the host's ticket directory (a root operator on the host);
// otherwise it sends nothing and the daemon refuses all but its open services.
//
// Owned by the run; not thread-safe (it may prompt once).
#pragma once

#include <rapidjson/document.h>

#include <optional>
#include <string>

namespace HostprefCtl {

class Credentials {
public:
    explicit Credentials(std::string user) : user_(std::move(user)) {}

    // A ticket made for one call; removed when the call is over, if the daemon did not
    // spend it (a call refused before authentication leaves it unused).
    class CallTicket {
    public:
        explicit CallTicket(std::string text) : text_(std::move(text)) {}
        ~CallTicket();
        CallTicket(CallTicket&& other) noexcept : text_(std::move(other.text_)) { other.text_.clear(); }
        CallTicket(const CallTicket&) = delete;
        CallTicket& operator=(const CallTicket&) = delete;

    private:
        std::string text_;
    };

    // Adds "securityCtx" to the execution context `ctx` of one call when there are
    // credentials. The returned ticket, if any, must live until the answer is in.
    std::optional<CallTicket> AddTo(rapidjson::Value& ctx, rapidjson::Document::AllocatorType& allocator);

    // What the user can do when the daemon refused the credentials (or their absence).
    std::string Hint() const;

    // Whether this process may make tickets in the host's ticket directory.
    static bool CanMakeTickets();

private:
    const std::string& Password();

    const std::string user_;
    std::optional<std::string> password_;
};

}  // namespace HostprefCtl
