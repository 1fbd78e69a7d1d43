#include "platform/host/ConfigLines.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <system_error>

#include "platform/host/Str.hpp"

namespace {

// Reads the whole regular file `path` into `content`; false with the reason in `why`.
bool ReadRegularFile(const std::string& path, std::string& content, std::string& why)
{
    // O_NONBLOCK: opening a FIFO placed at the path must not wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        why = std::generic_category().message(errno);
        return false;
    }
    struct stat status {};
    bool ok = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (!ok) {
        why = "not a regular file";
    }
    char buffer[4096];
    while (ok) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            content.append(buffer, static_cast<size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            why = std::generic_category().message(errno);
            ok = false;
        }
    }
    close(fd);
    return ok;
}

}  // namespace

bool Str_ForEachConfigLine(const std::string& path, const std::function<void(int, std::string_view)>& line,
                           std::string* why)
{
    std::string content, problem;
    if (!ReadRegularFile(path, content, problem)) {
        if (why != nullptr) {
            *why = problem;
        }
        return false;
    }
    std::istringstream file(content);
    std::string raw;
    for (int number = 1; std::getline(file, raw); ++number) {
        const std::string_view text = Str_Trim(raw);
        if (!text.empty() && text.front() != '#') {
            line(number, text);
        }
    }
    return true;
}
