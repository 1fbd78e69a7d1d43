// Ticket: one-time tickets, each bound to the name of the service that may redeem it.
//
// A ticket is the file /var/run/orvane/tickets/<ticket> below the host root, holding the
// service name. Ticket texts are checked before any path is formed, so a ticket can
// only ever name a file directly in that directory. Thread-safe; the store is shared
// with other processes through the file system.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr const char* kTicketDirectory = "/var/run/orvane/tickets";
inline constexpr size_t kTicketMaxLength = 64;
inline constexpr size_t kTicketServiceMaxLength = 127;

// Whether `ticket` is 1 to kTicketMaxLength characters of [A-Za-z0-9_-].
bool Ticket_IsWellFormed(std::string_view ticket);

// Looks the ticket up and copies the bound service name, NUL-terminated, into `service`
// (`serviceSize` bytes). False, logged, when the ticket is malformed or unknown, or its
// service name is unreadable or does not fit.
bool Ticket_LookupServiceSpecific(const char* ticket, char* service, size_t serviceSize);

// Removes the ticket. False when it is malformed or was not there.
bool Ticket_Delete(const char* ticket);

// Makes a new ticket bound to `service` (1 to kTicketServiceMaxLength characters of
// [A-Za-z0-9_.-]) and returns its text, or "" (logged) when it cannot be made.
std::string Ticket_Create(const char* service);
