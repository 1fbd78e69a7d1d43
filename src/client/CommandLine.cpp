#include "client/CommandLine.hpp"

#include <sstream>

namespace HostprefCtl {

namespace {

constexpr const char* kGlobalsFooter =
    "Global options (before or after the command): --port, --user, --op-id, --json, --raw, --poll-interval.\n"
    "See hostprefctl --help and man hostprefctl.";

std::string Footer(const std::vector<HelpSection>& sections)
{
    std::ostringstream text;
    for (const HelpSection& section : sections) {
        text << "\n" << section.title << ":\n";
        for (const auto& [term, explanation] : section.entries) {
            std::string line = "  " + term;
            line.resize(std::max<size_t>(line.size() + 2, 30), ' ');
            text << line << explanation << "\n";
        }
    }
    return text.str();
}

}  // namespace

const std::vector<HelpSection>& CommandLine::Sections()
{
    static const std::vector<HelpSection> sections = {
        {"Exit status",
         {{"0", "the call succeeded (with --wait: the task succeeded)"},
          {"1", "the daemon answered with an error, or the task failed"},
          {"2", "the command line is wrong"},
          {"3", "no daemon answers on the port"}}},
        {"Environment",
         {{"HOSTPREFCTL_USER", "user name, as --user"},
          {"HOSTPREFCTL_PASSWORD", "password of the user; without it hostprefctl asks on the terminal"},
          {"HOSTPREFCTL_PORT", "port, as --port"},
          {"HOSTPREFD_ROOT", "host root: the services database and the ticket directory are read below it"}}},
    };
    return sections;
}

CommandLine::CommandLine(const ApiCatalog& catalog)
    : catalog_(catalog),
      reader_(catalog),
      app_("Calls the operations of hostprefd, the settings daemon of this host. Every service of the API is a "
           "command path and every operation a command below it; \"tasks\" holds the everyday task commands.",
           "hostprefctl")
{
    // Options of the program stay valid after the command words.
    app_.fallthrough();
    app_.require_subcommand(1);
    app_.footer(Footer(Sections()));
    AddGlobalOptions();
    for (const ApiService& service : catalog_.Services()) {
        CLI::App& node = Namespace(service.CommandWords());
        node.description(service.doc);
        for (const ApiOperation& operation : service.operations) AddOperation(node, service, operation);
    }
    if (const ApiService* tasks = catalog_.FindService(kTasksService)) AddTaskShortForms(*tasks);
}

void CommandLine::AddGlobalOptions()
{
    app_.add_option("--port", globals_.port, "TCP port of the daemon; default: the services entry \"hostprefd\"")
        ->envname("HOSTPREFCTL_PORT")
        ->type_name("PORT")
        ->check(CLI::Range(1, 65535));
    app_.add_option("--user", globals_.user,
                    "call as this user (password from HOSTPREFCTL_PASSWORD or a prompt); without a user, "
                    "a one-time ticket when the ticket directory is writable")
        ->envname("HOSTPREFCTL_USER")
        ->type_name("NAME");
    app_.add_option("--op-id", globals_.opId, "operation id of the call, written on the daemon's log lines")
        ->type_name("ID");
    auto* json = app_.add_flag("--json", globals_.json, "print the result in the direct JSON form");
    app_.add_flag("--raw", globals_.raw, "print the daemon's whole JSON-RPC answer (tagged form)")->excludes(json);
    app_.add_option("--poll-interval", globals_.pollSeconds, "seconds between two looks at a followed task")
        ->type_name("SECONDS")
        ->check(CLI::Range(0.05, 60.0));
}

CLI::App& CommandLine::Namespace(const std::vector<std::string>& words)
{
    CLI::App* node = &app_;
    std::string path;
    for (const std::string& word : words) {
        path += (path.empty() ? "" : " ") + word;
        CLI::App* next = nullptr;
        for (CLI::App* candidate : node->get_subcommands({})) {
            if (candidate->get_name() == word) next = candidate;
        }
        if (next == nullptr) {
            next = node->add_subcommand(word, "Services under \"" + path + "\".");
            next->require_subcommand(1);
        }
        node = next;
    }
    return *node;
}

void CommandLine::AddOperation(CLI::App& parent, const ApiService& service, const ApiOperation& operation)
{
    CLI::App* command = parent.add_subcommand(operation.id, operation.doc);
    command->footer(kGlobalsFooter);
    std::vector<std::pair<const ApiMember*, CLI::Option*>> options;
    for (const ApiMember& param : operation.params) {
        const ApiType& type = param.type.Unwrapped();
        CLI::Option* option = command->add_option(ParamReader::OptionName(param.name), param.doc);
        option->type_name(reader_.Placeholder(param.type));
        if (!param.type.Is(ApiType::Kind::Optional)) option->required();
        if (type.IsPrimitive("boolean")) option->expected(0, 1);  // a bare --flag means true
        if ((type.Is(ApiType::Kind::List) || type.Is(ApiType::Kind::Set)) && reader_.IsPlain(type.Element())) {
            option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        }
        options.emplace_back(&param, option);
    }
    if (operation.task) {
        command->add_flag("--wait", wait_, "follow the task until it ends, with its progress, and print its outcome");
    }
    command->callback([this, &service, &operation, options] {
        chosen_.action = Invocation::Action::Call;
        chosen_.service = &service;
        chosen_.operation = &operation;
        chosen_.wait = wait_;
        for (const auto& [param, option] : options) {
            if (option->count() == 0) continue;
            std::vector<std::string> texts = option->results();
            for (std::string& text : texts) {
                if (text.empty() && param->type.Unwrapped().IsPrimitive("boolean")) text = "true";
            }
            chosen_.params.emplace_back(param, std::move(texts));
        }
    });
}

void CommandLine::AddTaskShortForms(const ApiService& tasks)
{
    CLI::App* group = app_.add_subcommand("tasks", "The host's tasks, short forms of \"hub tasks\".");
    group->require_subcommand(1);
    AddTaskShortForm(*group, tasks, "list", "Lists every task, oldest first.");
    AddTaskShortForm(*group, tasks, "get", "Shows one task.");
    AddTaskShortForm(*group, tasks, "cancel", "Asks a running configuration task to stop.");
    CLI::App* wait = group->add_subcommand("wait", "Follows a task until it ends, showing its progress.");
    wait->footer(kGlobalsFooter);
    wait->add_option("ID", taskArgument_, "task id")->required();
    wait->callback([this] {
        chosen_.action = Invocation::Action::FollowTask;
        chosen_.taskId = taskArgument_;
    });
}

void CommandLine::AddTaskShortForm(CLI::App& group, const ApiService& service, const char* operationId,
                                   const char* help)
{
    const ApiOperation* operation = service.Find(operationId);
    if (operation == nullptr) return;
    CLI::App* command = group.add_subcommand(operationId, help);
    command->footer(kGlobalsFooter);
    // The operation's one required parameter (the task id) is the command's argument.
    const ApiMember* idParam = nullptr;
    for (const ApiMember& param : operation->params) {
        if (!param.type.Is(ApiType::Kind::Optional)) idParam = &param;
    }
    if (idParam != nullptr) command->add_option("ID", taskArgument_, idParam->doc)->required();
    command->callback([this, &service, operation, idParam] {
        chosen_.action = Invocation::Action::Call;
        chosen_.service = &service;
        chosen_.operation = operation;
        if (idParam != nullptr) chosen_.params.emplace_back(idParam, std::vector<std::string>{taskArgument_});
    });
}

}  // namespace HostprefCtl
