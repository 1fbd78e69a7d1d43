#include "client/ProgressDisplay.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <iostream>

namespace HostprefCtl {

namespace {

constexpr int kBarCells = 30;
constexpr int kDefaultWidth = 80;
// Back to the start of the line and clear it, so a shorter line leaves nothing behind.
constexpr const char* kRedraw = "\r\033[K";

int TerminalWidth(int fd)
{
    if (!isatty(fd)) return 0;
    winsize size = {};
    return ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : kDefaultWidth;
}

// Cuts `text` to `columns` code points.
std::string FitColumns(const std::string& text, int columns)
{
    int seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((text[i] & 0xC0) != 0x80 && seen++ == columns) return text.substr(0, i);
    }
    return text;
}

}  // namespace

ProgressDisplay::ProgressDisplay(std::ostream& out, std::string taskId, int width)
    : out_(out), taskId_(std::move(taskId)), width_(width)
{
}

ProgressDisplay ProgressDisplay::OnStderr(std::string taskId)
{
    return ProgressDisplay(std::cerr, std::move(taskId), TerminalWidth(STDERR_FILENO));
}

std::string ProgressDisplay::BarLine(const TaskState& state) const
{
    const int filled = state.percent * kBarCells / 100;
    std::string line = "[" + std::string(filled, '#') + std::string(kBarCells - filled, '-') + "] ";
    const std::string percent = std::to_string(state.percent) + "%";
    line += std::string(4 - std::min<size_t>(4, percent.size()), ' ') + percent + "  " + state.status;
    if (!state.message.empty()) line += "  " + state.message;
    // The last column stays free: writing into it makes some terminals wrap at once.
    return FitColumns(line, width_ - 1);
}

void ProgressDisplay::Show(const TaskState& state)
{
    if (width_ > 0) {
        out_ << kRedraw << BarLine(state) << std::flush;
    } else if (shown_ != state) {
        out_ << "task " << taskId_ << ": " << state.status << " " << state.percent << "%"
             << (state.message.empty() ? "" : " " + state.message) << std::endl;
    }
    shown_ = state;
}

void ProgressDisplay::Finish(const TaskState& state)
{
    Show(state);
    if (width_ > 0) out_ << std::endl;
}

}  // namespace HostprefCtl
