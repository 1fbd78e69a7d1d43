#include "client/ManPage.hpp"

#include <string>

#include "client/CommandLine.hpp"

namespace HostprefCtl {

namespace {

// Text safe in a troff line: backslashes doubled, hyphens literal, no leading control dot.
std::string Troff(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '-') out += "\\-";
        else out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string CommandPath(const CLI::App* command)
{
    std::string path;
    for (; command->get_parent() != nullptr; command = command->get_parent()) {
        path = command->get_name() + (path.empty() ? "" : " " + path);
    }
    return path;
}

void PrintOptions(const CLI::App& command, std::ostream& out)
{
    for (const CLI::Option* option : command.get_options()) {
        if (option->get_lnames().empty()) {
            // A positional argument.
            out << ".TP\n\\fI" << Troff(option->get_name()) << "\\fR\n" << Troff(option->get_description()) << "\n";
            continue;
        }
        if (option->get_lnames().front() == "help") continue;
        out << ".TP\n\\fB\\-\\-" << Troff(option->get_lnames().front()) << "\\fR";
        if (!option->get_type_name().empty() && option->get_expected_max() > 0) {
            out << " \\fI" << Troff(option->get_type_name()) << "\\fR";
        }
        out << (option->get_required() ? " (required)" : "") << "\n" << Troff(option->get_description()) << "\n";
    }
}

void PrintCommands(const CLI::App& node, std::ostream& out)
{
    for (const CLI::App* sub : node.get_subcommands({})) {
        if (sub->get_subcommands({}).empty()) {
            out << ".SS \"" << Troff(CommandPath(sub)) << "\"\n" << Troff(sub->get_description()) << "\n";
            PrintOptions(*sub, out);
        }
        PrintCommands(*sub, out);
    }
}

}  // namespace

void ManPage::Print(const CLI::App& app, std::ostream& out)
{
    out << ".TH HOSTPREFCTL 1 \"\" \"hostprefd\" \"User Commands\"\n"
        << ".SH NAME\nhostprefctl \\- command\\-line client of the hostprefd settings daemon\n"
        << ".SH SYNOPSIS\n.B hostprefctl\n[\\fIGLOBAL OPTIONS\\fR] \\fICOMMAND\\fR... [\\fIOPTIONS\\fR]\n"
        << ".SH DESCRIPTION\n" << Troff(app.get_description()) << "\n"
        << ".PP\nA parameter of a structure, map, list or any value is written as JSON text; \\fB@FILE\\fR "
           "stands for the content of FILE (\\fB@\\-\\fR for standard input). A list of plain items may also "
           "be given by repeating its option. By default results print as tables or summaries; "
           "errors print their text and message id on standard error.\n"
        << ".SH \"GLOBAL OPTIONS\"\n";
    PrintOptions(app, out);
    out << ".SH COMMANDS\n";
    PrintCommands(app, out);
    for (const HelpSection& section : CommandLine::Sections()) {
        out << ".SH \"" << Troff(section.title) << "\"\n";
        for (const auto& [term, text] : section.entries) out << ".TP\n.B " << Troff(term) << "\n" << Troff(text) << "\n";
    }
    out << ".SH EXAMPLES\n.nf\n"
        << "hostprefctl tasks list\n"
        << "hostprefctl \\-\\-user admin tasks wait 6f1c7b0e\\-1d2e\\-4f3a\\-9b8c\\-7d6e5f4a3b2c\n"
        << "hostprefctl tarn hostpref_daemon configuration validate \\-\\-desired\\-document @desired.json \\-\\-wait\n"
        << "hostprefctl \\-\\-json hub tasks get \\-\\-task 6f1c7b0e\\-1d2e\\-4f3a\\-9b8c\\-7d6e5f4a3b2c\n"
        << ".fi\n.SH \"SEE ALSO\"\n/usr/share/doc/hostprefd/operator.md, /usr/share/doc/hostprefd/api.md\n";
}

}  // namespace HostprefCtl
