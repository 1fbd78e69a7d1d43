#include "platform/host/LaunchPlan.hpp"

#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "platform/host/CommandLine.hpp"
#include "platform/host/HostRoot.hpp"

namespace {

// Applies the items of one "++" word ("group=x,mem=200,stats").
void ApplyDirections(std::string_view items, LaunchPlan& plan)
{
    while (!items.empty()) {
        const size_t comma = items.find(',');
        const std::string_view item = items.substr(0, comma);
        if (item.starts_with("group=")) {
            const std::string_view group = item.substr(6);
            if (!LaunchPlan::IsValidGroupName(group)) {
                throw std::invalid_argument("invalid resource group name: " + std::string(group));
            }
            plan.group = group;
        } else if (item.starts_with("mem=")) {
            char* end = nullptr;
            const std::string value(item.substr(4));
            const long mb = std::strtol(value.c_str(), &end, 10);
            if (end != value.c_str() && *end == '\0' && mb > 0) {
                plan.memoryLimitMb = mb;
            }
        }
        items = comma == std::string_view::npos ? std::string_view() : items.substr(comma + 1);
    }
}

// The file a bare program name runs, searched in PATH as execvp would; done before fork
// because the child may only make async-signal-safe calls.
std::string ResolveProgram(const std::string& program)
{
    if (program.find('/') != std::string::npos) {
        return program;
    }
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "/usr/bin:/bin";
    while (!dirs.empty()) {
        const size_t colon = dirs.find(':');
        std::string candidate(dirs.substr(0, colon));
        candidate += (candidate.empty() ? "" : "/") + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    }
    return program;
}

}  // namespace

// A group names a directory of the cgroup tree, so it must stay one plain path component.
bool LaunchPlan::IsValidGroupName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '_' || c == '.';
        if (!plain) {
            return false;
        }
    }
    return true;
}

LaunchPlan LaunchPlan::Parse(const std::string& command)
{
    const std::vector<std::string> words = CommandLine::Split(command);
    if (words.empty()) {
        throw std::invalid_argument("empty command line");
    }
    LaunchPlan plan;
    plan.program = ResolveProgram(HostRoot::Executable(words[0]));
    plan.args.push_back(plan.program);
    size_t next = 1;
    for (; next < words.size() && words[next].starts_with("++"); ++next) {
        ApplyDirections(std::string_view(words[next]).substr(2), plan);
    }
    for (; next < words.size(); ++next) {
        plan.args.push_back(HostRoot::Executable(words[next]));
    }
    return plan;
}

std::vector<char*> LaunchPlan::Argv() const
{
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    return argv;
}
