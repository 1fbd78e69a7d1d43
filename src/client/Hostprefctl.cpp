#include "client/Hostprefctl.hpp"

#include <chrono>

#include "client/ClientError.hpp"
#include "client/CommandWalk.hpp"
#include "client/ManPage.hpp"
#include "client/OutputPrinter.hpp"
#include "client/ParamReader.hpp"
#include "client/TaskFollower.hpp"
#include "client/TaskView.hpp"
#include "client/ValueText.hpp"
#include "core/ServicesDatabase.hpp"

namespace HostprefCtl {

namespace {

constexpr const char* kUnauthenticated = "com.orvane.lumo.std.errors.unauthenticated";
constexpr const char* kUserRequired = "com.orvane.lumo.authz.user.required";

uint16_t DaemonPort(int option)
{
    if (option != 0) return static_cast<uint16_t>(option);
    const uint16_t port = Host::Settings::SettingsApi::ServicesDatabase::ResolveTcpPort("hostprefd");
    if (port == 0) throw ConnectError("the services database has no TCP entry \"hostprefd\"; give the port with --port");
    return port;
}

const rapidjson::Value& Messages(const rapidjson::Value& error)
{
    static const rapidjson::Value none(rapidjson::kArrayType);
    if (!error.HasMember("data") || !error["data"].IsObject()) return none;
    const rapidjson::Value& data = error["data"];
    return data.HasMember("messages") && data["messages"].IsArray() ? data["messages"] : none;
}

}  // namespace

Hostprefctl::Hostprefctl(const ApiCatalog& catalog, std::ostream& out, std::ostream& err)
    : catalog_(catalog), out_(out), err_(err), commandLine_(catalog)
{
}

int Hostprefctl::Run(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == CommandWalk::kCompleteCommand) {
        CommandWalk(commandLine_.App(), std::vector<std::string>(args.begin() + 1, args.end())).PrintCompletions(out_);
        return kExitOk;
    }
    if (args.size() == 1 && args[0] == ManPage::kOption) {
        ManPage::Print(commandLine_.App(), out_);
        return kExitOk;
    }
    try {
        commandLine_.App().parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // CLI11 would only say that a command is required; name the word it did not know.
        const CommandWalk walk(commandLine_.App(), args);
        if (!walk.Stray().empty() && error.get_exit_code() != static_cast<int>(CLI::ExitCodes::Success)) {
            err_ << "hostprefctl: " << walk.StrayText() << '\n';
            return kExitUsage;
        }
        return ReportUsage(error);
    }
    try {
        return Execute(commandLine_.Chosen());
    } catch (const ClientError& error) {
        err_ << "hostprefctl: " << error.what() << '\n';
        return error.Status();
    }
}

int Hostprefctl::ReportUsage(const CLI::ParseError& error)
{
    // --help is a ParseError too, with success as its exit code.
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
        commandLine_.App().exit(error, out_, err_);
        return kExitOk;
    }
    err_ << "hostprefctl: " << error.what() << "\nRun with --help for more information.\n";
    return kExitUsage;
}

int Hostprefctl::Execute(const Invocation& invocation)
{
    const GlobalOptions& globals = commandLine_.Globals();
    // The command line is checked whole before anything reaches the daemon.
    rapidjson::Document holder;
    rapidjson::Value params = ReadParams(invocation, holder.GetAllocator());
    client_.emplace(DaemonPort(globals.port));
    credentials_.emplace(globals.user);
    if (invocation.action == Invocation::Action::FollowTask) return FollowTask(invocation.taskId);

    const ApiOperation& operation = *invocation.operation;
    RpcAnswer answer = Call(*invocation.service, operation, params, globals.raw ? AnswerForm::Tagged : AnswerForm::Direct);
    if (answer.IsError()) return ReportError(answer);
    if (operation.task && invocation.wait) {
        // The tagged form keeps the task id a plain string, so both forms read alike.
        if (!answer.Result().IsString()) throw ClientError(kExitFailed, "the answer holds no task id");
        return FollowTask(answer.Result().GetString());
    }
    PrintResult(answer, operation.output);
    return kExitOk;
}

rapidjson::Value Hostprefctl::ReadParams(const Invocation& invocation,
                                         rapidjson::Document::AllocatorType& allocator) const
{
    const ParamReader reader(catalog_);
    rapidjson::Value params(rapidjson::kObjectType);
    for (const auto& [param, texts] : invocation.params) {
        params.AddMember(rapidjson::Value(param->name.c_str(), allocator), reader.Read(*param, texts, allocator),
                         allocator);
    }
    return params;
}

RpcAnswer Hostprefctl::Call(const ApiService& service, const ApiOperation& operation, rapidjson::Value& params,
                            AnswerForm form)
{
    rapidjson::Document holder;
    auto& allocator = holder.GetAllocator();
    rapidjson::Value call(params, allocator);
    rapidjson::Value ctx(rapidjson::kObjectType);
    if (!commandLine_.Globals().opId.empty()) {
        rapidjson::Value app(rapidjson::kObjectType);
        app.AddMember("opId", rapidjson::Value(commandLine_.Globals().opId.c_str(), allocator), allocator);
        ctx.AddMember("appCtx", app, allocator);
    }
    // The framework's own services are open to everybody: no ticket is spent on them.
    const std::optional<Credentials::CallTicket> ticket =
        service.anonymous ? std::nullopt : credentials_->AddTo(ctx, allocator);
    if (ctx.MemberCount() > 0) call.AddMember("__ctx", ctx, allocator);
    return client_->Call(service.id + "." + operation.id, call, form);
}

RpcAnswer Hostprefctl::GetTask(const std::string& taskId, AnswerForm form)
{
    const ApiService* tasks = catalog_.FindService(CommandLine::kTasksService);
    const ApiOperation* get = tasks != nullptr ? tasks->Find("get") : nullptr;
    if (get == nullptr || get->params.empty()) throw ClientError(kExitFailed, "this client knows no tasks service");
    rapidjson::Document params(rapidjson::kObjectType);
    params.AddMember(rapidjson::Value(get->params.front().name.c_str(), params.GetAllocator()),
                     rapidjson::Value(taskId.c_str(), params.GetAllocator()), params.GetAllocator());
    return Call(*tasks, *get, params, form);
}

int Hostprefctl::FollowTask(const std::string& taskId)
{
    const GlobalOptions& globals = commandLine_.Globals();
    ProgressDisplay display = ProgressDisplay::OnStderr(taskId);
    const auto interval = std::chrono::milliseconds(static_cast<int>(globals.pollSeconds * 1000));
    TaskFollower follower([&] { return GetTask(taskId, AnswerForm::Direct); }, display, interval);
    RpcAnswer answer = follower.Follow();
    if (answer.IsError()) return ReportError(answer);
    const TaskState state = TaskView::State(answer.Result());
    if (globals.raw) {
        out_ << GetTask(taskId, AnswerForm::Tagged).body << '\n';
    } else if (globals.json) {
        out_ << ValueText::Json(answer.Result()) << '\n';
    } else {
        TaskView::PrintSummary(answer.Result(), out_);
    }
    if (state.status == "SUCCEEDED") return kExitOk;
    const std::string error = TaskView::ErrorText(answer.Result());
    err_ << "hostprefctl: task " << taskId << " failed: " << (error.empty() ? "no error details" : error) << '\n';
    return kExitFailed;
}

void Hostprefctl::PrintResult(const RpcAnswer& answer, const ApiType& type)
{
    const GlobalOptions& globals = commandLine_.Globals();
    if (globals.raw) {
        out_ << answer.body << '\n';
    } else if (globals.json) {
        out_ << ValueText::Json(answer.Result()) << '\n';
    } else {
        OutputPrinter(catalog_, out_).Print(answer.Result(), type);
    }
}

int Hostprefctl::ReportError(const RpcAnswer& answer)
{
    if (commandLine_.Globals().raw) out_ << answer.body << '\n';
    const rapidjson::Value& error = answer.Error();
    const std::string name = answer.errorName.empty() ? "error" : answer.errorName;
    const rapidjson::Value& messages = Messages(error);
    bool credentialsRefused = answer.errorName == kUnauthenticated;
    for (const auto& message : messages.GetArray()) {
        const std::string id = ValueText::Member(message, "id");
        credentialsRefused = credentialsRefused || id == kUserRequired;
        err_ << "hostprefctl: " << name << ": " << ValueText::Message(message) << " (" << id << ")\n";
    }
    if (messages.Empty()) err_ << "hostprefctl: " << name << ": " << ValueText::Member(error, "message") << '\n';
    if (credentialsRefused) err_ << "hostprefctl: " << credentials_->Hint() << '\n';
    return kExitFailed;
}

}  // namespace HostprefCtl
