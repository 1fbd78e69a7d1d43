#include "platform/host/Panic.hpp"

#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void Panic(const char* fmt, ...)
{
    // A stack buffer and plain write(2), not the logger: the process may be out of
    // memory, or the broken invariant may be the logger's own.
    char line[1024];
    va_list args;
    va_start(args, fmt);
    int length = vsnprintf(line, sizeof line - 1, fmt, args);
    va_end(args);
    if (length < 0) {
        length = 0;
    }
    size_t size = std::min(static_cast<size_t>(length), sizeof line - 2);
    if (size == 0 || line[size - 1] != '\n') {
        line[size++] = '\n';
    }
    line[size] = '\0';

    size_t done = 0;
    while (done < size) {
        ssize_t written = ::write(STDERR_FILENO, line + done, size - done);
        if (written <= 0) {
            break;
        }
        done += static_cast<size_t>(written);
    }
    syslog(LOG_CRIT, "%s", line);
    std::abort();
}
