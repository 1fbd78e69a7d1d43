#include "client/CommandWalk.hpp"

#include <set>

namespace HostprefCtl {

namespace {

// The option named `name` ("--port") of `command` or a command above it (global options).
const CLI::Option* FindLongOption(const CLI::App* command, const std::string& name)
{
    for (; command != nullptr; command = command->get_parent()) {
        for (const CLI::Option* option : command->get_options()) {
            for (const std::string& longName : option->get_lnames()) {
                if ("--" + longName == name) return option;
            }
        }
    }
    return nullptr;
}

const CLI::App* FindSubcommand(const CLI::App* command, const std::string& name)
{
    for (const CLI::App* sub : command->get_subcommands({})) {
        if (sub->get_name() == name) return sub;
    }
    return nullptr;
}

}  // namespace

CommandWalk::CommandWalk(const CLI::App& app, const std::vector<std::string>& words) : command_(&app)
{
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.starts_with("-")) {
            // An option that needs a value takes the next word, unless written --name=value.
            const CLI::Option* option = FindLongOption(command_, word.substr(0, word.find('=')));
            if (option != nullptr && option->get_expected_min() > 0 && word.find('=') == std::string::npos) ++i;
            continue;
        }
        if (const CLI::App* sub = FindSubcommand(command_, word)) {
            command_ = sub;
        } else if (stray_.empty() && command_->get_require_subcommand_min() > 0) {
            stray_ = word;
        }
    }
}

std::string CommandWalk::StrayText() const
{
    std::string path, names;
    for (const CLI::App* level = command_; level->get_parent() != nullptr; level = level->get_parent()) {
        path = level->get_name() + (path.empty() ? "" : " " + path);
    }
    for (const CLI::App* sub : command_->get_subcommands({})) names += (names.empty() ? "" : ", ") + sub->get_name();
    return "'" + stray_ + "' is no command" + (path.empty() ? "" : " of '" + path + "'") + "; there: " + names;
}

void CommandWalk::PrintCompletions(std::ostream& out) const
{
    for (const CLI::App* sub : command_->get_subcommands({})) out << sub->get_name() << '\n';
    std::set<std::string> printed;  // every level has its own --help
    for (const CLI::App* level = command_; level != nullptr; level = level->get_parent()) {
        for (const CLI::Option* option : level->get_options()) {
            for (const std::string& longName : option->get_lnames()) {
                if (printed.insert(longName).second) out << "--" << longName << '\n';
            }
        }
    }
}

}  // namespace HostprefCtl
