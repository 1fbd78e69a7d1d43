// CommandLine: hostprefctl's command line, built with CLI11 from the API catalogue — one
// command per operation at the path of its service ("hub tasks get --task ID"), its
// parameters as options — plus the global options and the "tasks" short forms.
//
// Owned by the run; parse once, then read Globals() and Chosen(). Not thread-safe.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <utility>
#include <vector>

#include "client/ApiCatalog.hpp"
#include "client/ParamReader.hpp"

namespace HostprefCtl {

struct GlobalOptions {
    int port = 0;  // 0: the services database's entry "hostprefd"
    std::string user;
    std::string opId;
    bool json = false;
    bool raw = false;
    double pollSeconds = 0.5;
};

// What a parsed command line asks for.
struct Invocation {
    enum class Action { Call, FollowTask };

    Action action = Action::Call;
    const ApiService* service = nullptr;
    const ApiOperation* operation = nullptr;
    // The parameters given, each with its option's texts.
    std::vector<std::pair<const ApiMember*, std::vector<std::string>>> params;
    bool wait = false;   // follow the task the operation starts
    std::string taskId;  // the task to follow (FollowTask)
};

// A titled list of terms and their explanations, for the help and the man page.
struct HelpSection {
    std::string title;
    std::vector<std::pair<std::string, std::string>> entries;
};

class CommandLine {
public:
    static constexpr const char* kTasksService = "com.orvane.hub.tasks";

    explicit CommandLine(const ApiCatalog& catalog);

    CLI::App& App() { return app_; }
    const GlobalOptions& Globals() const { return globals_; }
    const Invocation& Chosen() const { return chosen_; }

    // The sections that end the help of the whole program: exit status, environment.
    static const std::vector<HelpSection>& Sections();

private:
    void AddGlobalOptions();
    CLI::App& Namespace(const std::vector<std::string>& words);
    void AddOperation(CLI::App& parent, const ApiService& service, const ApiOperation& operation);
    void AddTaskShortForms(const ApiService& tasks);
    void AddTaskShortForm(CLI::App& tasks, const ApiService& service, const char* operation, const char* help);

    const ApiCatalog& catalog_;
    const ParamReader reader_;
    CLI::App app_;
    GlobalOptions globals_;
    Invocation chosen_;
    bool wait_ = false;
    std::string taskArgument_;
};

}  // namespace HostprefCtl
