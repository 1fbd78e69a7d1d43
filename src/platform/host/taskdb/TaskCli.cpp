#include "platform/host/taskdb/TaskCli.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <stdexcept>

#include "platform/host/HostRoot.hpp"
#include "platform/host/taskdb/TaskDBError.hpp"
#include "platform/host/taskdb/TaskJson.hpp"
#include "platform/host/taskdb/TaskManager.hpp"

namespace TaskDB {

namespace {

constexpr const char* kUsageText =
    "usage: hostpref-taskdb [--store BASEPATH] COMMAND ARGS...\n"
    "commands:\n"
    "  create ID [--operation OP] [--user U] [--progress N]\n"
    "  start ID [--progress N]\n"
    "  progress ID PERCENT [MESSAGE]\n"
    "  notify ID JSON\n"
    "  succeed ID [RESULT_JSON]\n"
    "  fail ID (--error-json JSON | --error-id MSGID [--arg A]...) [--result-json JSON]\n"
    "  show [ID]\n"
    "The store is the file BASEPATH.db; BASEPATH defaults to /var/orvane/lifecycle/task-status.json\n"
    "(below $HOSTPREFD_ROOT when that is set). Exit status: 0 done, 1 operation failed, 2 usage error.\n";

// A wrong command line; the text says what is wrong.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The words of one command after its name: positional arguments and "--name value"
// options. A word is an option only when it begins with "--", so "-5" is a value.
struct Arguments {
    std::vector<std::string> positional;
    std::multimap<std::string, std::string> options;

    // The single value of `name`, or `fallback` when absent.
    std::string Option(const std::string& name, const std::string& fallback = {}) const
    {
        auto found = options.find(name);
        return found == options.end() ? fallback : found->second;
    }
    bool Has(const std::string& name) const { return options.count(name) != 0; }
    std::vector<std::string> All(const std::string& name) const
    {
        std::vector<std::string> values;
        for (auto [at, end] = options.equal_range(name); at != end; ++at) {
            values.push_back(at->second);
        }
        return values;
    }
};

Arguments Split(const std::vector<std::string>& words, const std::vector<std::string>& known,
                const std::vector<std::string>& repeatable)
{
    Arguments arguments;
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word.rfind("--", 0) != 0) {
            arguments.positional.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (std::find(known.begin(), known.end(), word) == known.end()) {
            throw UsageError("unknown option " + word);
        }
        if (i + 1 == words.size()) {
            throw UsageError("option " + word + " needs a value");
        }
        const bool repeats = std::find(repeatable.begin(), repeatable.end(), word) != repeatable.end();
        if (!repeats && arguments.options.count(word) != 0) {
            throw UsageError("option " + word + " given twice");
        }
        arguments.options.emplace(word, words[++i]);
    }
    return arguments;
}

void RequireCount(const Arguments& arguments, size_t least, size_t most, const std::string& command)
{
    const size_t count = arguments.positional.size();
    if (count < least || count > most) {
        throw UsageError("wrong number of arguments for " + command);
    }
    if (least > 0 && arguments.positional[0].empty()) {
        throw UsageError("the task id must not be empty");
    }
}

int32_t ParseInt(const std::string& text, const std::string& what)
{
    int32_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        throw UsageError(what + " must be a 32-bit integer, not \"" + text + "\"");
    }
    return value;
}

const std::string& RequireJson(const std::string& text, const std::string& what)
{
    if (!IsJson(text)) {
        throw UsageError(what + " is not valid JSON");
    }
    return text;
}

// One parsed command: what it does to the store.
using Action = std::function<void(TaskManager&, std::ostream&)>;

Action ParseCreate(const std::vector<std::string>& words)
{
    Arguments a = Split(words, {"--operation", "--user", "--progress"}, {});
    RequireCount(a, 1, 1, "create");
    const int32_t progress = ParseInt(a.Option("--progress", "0"), "--progress");
    return [id = a.positional[0], op = a.Option("--operation"), user = a.Option("--user"), progress](
               TaskManager& store, std::ostream&) { store.CreateNamedTask(id, op, progress, user); };
}

Action ParseStart(const std::vector<std::string>& words)
{
    Arguments a = Split(words, {"--progress"}, {});
    RequireCount(a, 1, 1, "start");
    const int32_t progress = ParseInt(a.Option("--progress", "0"), "--progress");
    return [id = a.positional[0], progress](TaskManager& store, std::ostream&) {
        store.StartTask(id, progress);
    };
}

Action ParseProgress(const std::vector<std::string>& words)
{
    Arguments a = Split(words, {}, {});
    RequireCount(a, 2, 3, "progress");
    // Any 32-bit value: progress is not clamped, callers may report outside 0..100.
    const int32_t percent = ParseInt(a.positional[1], "PERCENT");
    std::string message = a.positional.size() == 3 ? a.positional[2] : std::string();
    return [id = a.positional[0], percent, message](TaskManager& store, std::ostream&) {
        store.SetProgress(id, percent, message);
    };
}

Action ParseNotify(const std::vector<std::string>& words)
{
    Arguments a = Split(words, {}, {});
    RequireCount(a, 2, 2, "notify");
    const std::string& json = RequireJson(a.positional[1], "the notification");
    return
        [id = a.positional[0], json](TaskManager& store, std::ostream&) { store.AddNotification(id, json); };
}

Action ParseSucceed(const std::vector<std::string>& words)
{
    Arguments a = Split(words, {}, {});
    RequireCount(a, 1, 2, "succeed");
    std::string result = a.positional.size() == 2 ? a.positional[1] : std::string();
    if (!result.empty()) {
        RequireJson(result, "RESULT_JSON");
    }
    return
        [id = a.positional[0], result](TaskManager& store, std::ostream&) { store.SetSucceeded(id, result); };
}

Action ParseFail(const std::vector<std::string>& words)
{
    Arguments a = Split(words, {"--error-json", "--error-id", "--arg", "--result-json"}, {"--arg"});
    RequireCount(a, 1, 1, "fail");
    const std::string id = a.positional[0];
    const std::string result = a.Option("--result-json");
    if (!result.empty()) {
        RequireJson(result, "--result-json");
    }
    if (a.Has("--error-json") == a.Has("--error-id")) {
        throw UsageError("fail needs exactly one of --error-json and --error-id");
    }
    if (a.Has("--error-json")) {
        if (a.Has("--arg")) {
            throw UsageError("--arg goes with --error-id");
        }
        const std::string error = RequireJson(a.Option("--error-json"), "--error-json");
        return [id, result, error](TaskManager& store, std::ostream&) { store.SetFailed(id, result, error); };
    }
    const std::string errorId = a.Option("--error-id");
    if (errorId.empty()) {
        throw UsageError("--error-id must not be empty");
    }
    if (!result.empty()) {
        throw UsageError("--result-json goes with --error-json");
    }
    return [id, errorId, args = a.All("--arg")](TaskManager& store, std::ostream&) {
        store.SetFailedWithMessage(id, errorId, args);
    };
}

Action ParseShow(const std::vector<std::string>& words)
{
    Arguments a = Split(words, {}, {});
    RequireCount(a, 0, 1, "show");
    if (a.positional.empty()) {
        return [](TaskManager& store, std::ostream& out) { out << ToJson(store.GetAllTasks()) << '\n'; };
    }
    if (a.positional[0].empty()) {
        throw UsageError("the task id must not be empty");
    }
    return [id = a.positional[0]](TaskManager& store, std::ostream& out) {
        out << ToJson(store.GetTask(id)) << '\n';
    };
}

Action ParseCommand(const std::string& command, const std::vector<std::string>& words)
{
    static const std::map<std::string, Action (*)(const std::vector<std::string>&)> parsers = {
        {"create", ParseCreate}, {"start", ParseStart},     {"progress", ParseProgress},
        {"notify", ParseNotify}, {"succeed", ParseSucceed}, {"fail", ParseFail},
        {"show", ParseShow},
    };
    auto parser = parsers.find(command);
    if (parser == parsers.end()) {
        throw UsageError("unknown command \"" + command + "\"");
    }
    return parser->second(words);
}

}  // namespace

const char* TaskCli::Usage() { return kUsageText; }

int TaskCli::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string store = kDefaultStore;
    Action action;
    try {
        // --store and --help are taken wherever they stand; the rest belongs to the command.
        std::vector<std::string> words;
        for (size_t i = 0; i < args.size(); ++i) {
            if (args[i] == "--help" || args[i] == "-h") {
                out << kUsageText;
                return kOk;
            }
            if (args[i] == "--store") {
                if (i + 1 == args.size() || args[i + 1].empty()) {
                    throw UsageError("--store needs a base path");
                }
                store = args[++i];
            } else {
                words.push_back(args[i]);
            }
        }
        if (words.empty()) {
            throw UsageError("no command given");
        }
        const std::string command = words.front();
        words.erase(words.begin());
        action = ParseCommand(command, words);
    } catch (const UsageError& error) {
        err << "hostpref-taskdb: " << error.what() << '\n' << kUsageText;
        return kUsage;
    }

    try {
        auto manager = TaskManager::FromPath(HostRoot::Path(store + ".db"));
        // Cheap once the store is current; a new or older store is brought up to date.
        manager->Initialize();
        action(*manager, out);
        out.flush();
        return kOk;
    } catch (const std::exception& error) {
        err << "hostpref-taskdb: " << error.what() << '\n';
        return kFailed;
    }
}

}  // namespace TaskDB
