#include "platform/host/configmanager/PluginRunner.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/host/CSLogger.hpp"
#include "platform/host/ChildProcess.hpp"
#include "platform/host/LaunchPlan.hpp"
#include "platform/host/configmanager/JsonFile.hpp"

namespace TarnConfigManager {

namespace {

// A temporary file holding `text`, removed with the object.
class PluginInputFile {
public:
    explicit PluginInputFile(const std::string& text)
    {
        path_ = (std::filesystem::temp_directory_path() / "hostprefd-plugin-XXXXXX").string();
        const int fd = ::mkstemp(path_.data());
        if (fd < 0) throw std::system_error(errno, std::generic_category(), "plugin input file");
        const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::close(fd);
        if (!written) {
            ::unlink(path_.c_str());
            throw std::runtime_error("cannot write the plugin input file " + path_);
        }
    }
    ~PluginInputFile() { ::unlink(path_.c_str()); }
    PluginInputFile(const PluginInputFile&) = delete;
    PluginInputFile& operator=(const PluginInputFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Reads `fd` to its end, keeping the first `limit` bytes.
std::string ReadUpTo(int fd, size_t limit)
{
    std::string kept;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        kept.append(buffer, std::min(static_cast<size_t>(n), limit - std::min(limit, kept.size())));
    }
    return kept;
}

}  // namespace

bool PluginRunner::Outcome::Succeeded() const
{
    return started && WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 0;
}

std::string PluginRunner::Outcome::Describe() const
{
    if (!output.empty()) return output.back() == '\n' ? output.substr(0, output.size() - 1) : output;
    if (!started) return "it could not be started";
    if (WIFSIGNALED(waitStatus)) return "it was killed by signal " + std::to_string(WTERMSIG(waitStatus));
    return "it exited with status " + std::to_string(WEXITSTATUS(waitStatus));
}

PluginRunner::Outcome PluginRunner::Run(const std::string& command, const std::string& component,
                                        const rapidjson::Value& tree)
{
    const PluginInputFile input(TarnConfigStore::JsonFile::ToText(tree));
    Outcome outcome;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return outcome;
    try {
        LaunchPlan plan = LaunchPlan::Parse(command);
        plan.args.push_back(component);
        plan.args.push_back(input.Path());
        ChildProcess::Setup setup;
        setup.stdoutFd = out[1];
        setup.stderrFd = out[1];
        setup.keepWorkingDir = true;
        const pid_t pid = ChildProcess::Spawn(plan, setup);
        ::close(out[1]);
        out[1] = -1;
        outcome.output = ReadUpTo(out[0], kOutputLimit);
        outcome.waitStatus = ChildProcess::Wait(pid);
        outcome.started = true;
    } catch (const std::exception& error) {
        outcome.output = error.what();
    }
    if (out[1] >= 0) ::close(out[1]);
    ::close(out[0]);
    CSLogger::Log(outcome.Succeeded() ? 3 : 0, "ConfigManager: plugin %s for %s: %s", command.c_str(),
                  component.c_str(), outcome.Succeeded() ? "succeeded" : outcome.Describe().c_str());
    return outcome;
}

}  // namespace TarnConfigManager
