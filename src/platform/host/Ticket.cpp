#include "platform/host/Ticket.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/host/CSLogger.hpp"
#include "platform/host/CryptoHash.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/host/Str.hpp"
#include "platform/host/UUID.hpp"

namespace {

bool IsTicketCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

bool IsValidService(std::string_view service)
{
    if (service.empty() || service.size() > kTicketServiceMaxLength) {
        return false;
    }
    for (char c : service) {
        if (!IsTicketCharacter(c) && c != '.') {
            return false;
        }
    }
    return true;
}

std::string TicketPath(std::string_view ticket)
{
    std::string path = HostRoot::Path(kTicketDirectory);
    path.push_back('/');
    path.append(ticket);
    return path;
}

// The ticket file's content, at most `limit` bytes; false when it cannot be read.
// O_NOFOLLOW and the regular-file check keep a planted link or device from being read.
bool ReadTicketFile(const std::string& path, std::string& content, size_t limit)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat status;
    bool ok = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    content.assign(limit + 1, '\0');
    size_t used = 0;
    while (ok && used < content.size()) {
        const ssize_t got = read(fd, content.data() + used, content.size() - used);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        ok = got >= 0;
        if (got <= 0) {
            break;
        }
        used += static_cast<size_t>(got);
    }
    close(fd);
    content.resize(used);
    return ok;
}

// A fresh ticket text: 32 hex digits from a random UUID's bytes.
std::string NewTicketText()
{
    char* text = UUID_CreateRandom();
    UUIDBytes bytes;
    const bool made = text != nullptr && UUID_PackText(text, std::strlen(text), &bytes);
    std::free(text);
    return made ? CryptoHash_ToHex(bytes) : std::string();
}

// The ticket names are the credentials, so a directory made here is private to its
// owner. An existing directory is left as the host set it up.
bool MakeTicketDirectory(const std::string& directory)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(directory).parent_path(), error);
    if (error) {
        errno = error.value();
        return false;
    }
    return mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST;
}

// Writes the service name to a hidden temporary file and renames it into place, so a
// reader never sees a ticket without its service. The dot keeps the temporary name
// from ever passing as a ticket.
bool WriteTicketFile(const std::string& directory, const std::string& ticket, const char* service)
{
    const std::string temporary = directory + "/.new-" + ticket;
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const std::string content = std::string(service) + "\n";
    const bool written = write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(temporary.c_str(), (directory + "/" + ticket).c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool Ticket_IsWellFormed(std::string_view ticket)
{
    if (ticket.empty() || ticket.size() > kTicketMaxLength) {
        return false;
    }
    for (char c : ticket) {
        if (!IsTicketCharacter(c)) {
            return false;
        }
    }
    return true;
}

bool Ticket_LookupServiceSpecific(const char* ticket, char* service, size_t serviceSize)
{
    if (ticket == nullptr || !Ticket_IsWellFormed(ticket)) {
        CSLogger::Log(1, "Tickets: malformed ticket refused");
        return false;
    }
    std::string content;
    if (!ReadTicketFile(TicketPath(ticket), content, kTicketServiceMaxLength + 2)) {
        CSLogger::Log(2, "Tickets: no ticket %s", ticket);
        return false;
    }
    const std::string_view name = Str_Trim(content);
    if (!IsValidService(name)) {
        CSLogger::Log(1, "Tickets: ticket %s holds no valid service name", ticket);
        return false;
    }
    if (service == nullptr || name.size() >= serviceSize) {
        CSLogger::Log(1, "Tickets: service name of ticket %s does not fit the caller's buffer", ticket);
        return false;
    }
    std::memcpy(service, name.data(), name.size());
    service[name.size()] = '\0';
    return true;
}

bool Ticket_Delete(const char* ticket)
{
    if (ticket == nullptr || !Ticket_IsWellFormed(ticket)) {
        return false;
    }
    return unlink(TicketPath(ticket).c_str()) == 0;
}

std::string Ticket_Create(const char* service)
{
    if (service == nullptr || !IsValidService(service)) {
        CSLogger::Log(1, "Tickets: invalid service name, no ticket made");
        return {};
    }
    const std::string directory = HostRoot::Path(kTicketDirectory);
    const std::string ticket = NewTicketText();
    if (!MakeTicketDirectory(directory) || ticket.empty() || !WriteTicketFile(directory, ticket, service)) {
        CSLogger::Log(0, "Tickets: cannot make a ticket in %s: %s", directory.c_str(), std::strerror(errno));
        return {};
    }
    return ticket;
}
