#include "client/Completion.hpp"

#include <set>

namespace HostprefCtl {

namespace {

// `option` by its long name on `command` or a command above it (global options).
const CLI::Option* FindOption(const CLI::App* command, const std::string& name)
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

}  // namespace

void Completion::Print(const CLI::App& app, const std::vector<std::string>& words, std::ostream& out)
{
    const CLI::App* command = &app;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.starts_with("--")) {
            // An option that needs a value takes the next word, unless written --name=value.
            const CLI::Option* option = FindOption(command, word.substr(0, word.find('=')));
            if (option != nullptr && option->get_expected_min() > 0 && word.find('=') == std::string::npos) ++i;
            continue;
        }
        for (const CLI::App* sub : command->get_subcommands({})) {
            if (sub->get_name() == word) command = sub;
        }
    }
    for (const CLI::App* sub : command->get_subcommands({})) out << sub->get_name() << '\n';
    std::set<std::string> printed;  // every level has its own --help
    for (const CLI::App* level = command; level != nullptr; level = level->get_parent()) {
        for (const CLI::Option* option : level->get_options()) {
            for (const std::string& longName : option->get_lnames()) {
                if (printed.insert(longName).second) out << "--" << longName << '\n';
            }
        }
    }
}

}  // namespace HostprefCtl
