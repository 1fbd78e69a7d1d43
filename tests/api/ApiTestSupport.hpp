// Helpers shared by the API, task and utility tests: a host root that is the process's own
// while it lives, the neighbours of a filter under test, and one-line views of log lines,
// error values and audit records, so that whole values are compared at once.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "authz/AuditLogReader.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/lumo/ActivationHelpers.hpp"
#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/AsyncLocalProvider.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "support/LogCapture.hpp"
#include "support/TempHostRoot.hpp"

namespace ApiTest {

// A copy of the test host tree that is HOSTPREFD_ROOT while it lives.
struct EnvHostRoot : TestSupport::TempHostRoot {
    EnvHostRoot() { setenv("HOSTPREFD_ROOT", Dir().c_str(), 1); }
    ~EnvHostRoot() { unsetenv("HOSTPREFD_ROOT"); }
};

// Runs `body` in a forked child whose HOSTPREFD_ROOT is `root`, for what a process settles
// only once (catalogues, the audit switch); what `body` returned, marked if the child failed.
inline std::string InChild(const std::string& root, const std::function<std::string()>& body)
{
    int fds[2];
    if (pipe(fds) != 0) return "<no pipe>";
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        setenv("HOSTPREFD_ROOT", root.c_str(), 1);
        const std::string out = body();
        _exit(write(fds[1], out.data(), out.size()) == static_cast<ssize_t>(out.size()) ? 0 : 1);
    }
    close(fds[1]);
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0
               ? out
               : out + "<child status " + std::to_string(status) + ">";
}

// An error value with one message as "name id [arg,arg] localized text", followed by
// " {default: text}" when the message's default text is another.
inline std::string ErrorText(const Lumo::Data::ErrorValuePtr& error)
{
    if (error == nullptr) return "no error";
    auto messages =
        Lumo::Data::ValueCast<Lumo::Data::ListValue>(error->GetField(Lumo::Data::ErrorValue::kMessagesField));
    auto message = messages && messages->Size() == 1
                       ? Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*messages->Items()[0])
                       : std::nullopt;
    if (!message) return error->Name() + " without exactly one message";
    std::string args;
    for (const std::string& arg : message->args) args += (args.empty() ? "" : ",") + arg;
    return error->Name() + " " + message->id + " [" + args + "] " + message->localized +
           (message->defaultMessage == message->localized ? ""
                                                          : " {default: " + message->defaultMessage + "}");
}

inline std::string ErrorText(const Lumo::Core::MethodResult& result) { return ErrorText(result.Error()); }

// Ends the capture; the host log lines mirrored to stderr that contain `part`, in order, each
// as "priority text".
inline std::vector<std::string> LogLines(LogCapture& log, const std::string& part = "")
{
    std::vector<std::string> lines;
    for (const std::string& raw : log.TakeLines()) {
        const size_t open = raw.find(": <"), close = raw.find("> ", open);  // "...: <priority> text"
        if (open != std::string::npos && close != std::string::npos &&
            raw.find(part, close) != std::string::npos)
            lines.push_back(raw.substr(open + 3, close - open - 3) + " " + raw.substr(close + 2));
    }
    return lines;
}

// The element behind a filter under test: keeps each call with its callback; Answer()
// delivers a result for it, or every call is answered at once with `answerAtOnce`.
class RecordingProvider : public Lumo::Core::AsyncApiProvider {
public:
    struct Call {
        Lumo::Core::MethodIdentifier method;
        Lumo::Data::DataValuePtr input;
        std::shared_ptr<Lumo::Core::AsyncActivation> activation;
        Lumo::Core::AsyncApiResultCb resultCb;
        std::string opIdSeen;  // the calling thread's "opId" log context entry ("" if none)
    };

    // With `answerWithSuccess`, every call gets an empty output before Invoke returns.
    explicit RecordingProvider(bool answerWithSuccess = false)
    {
        if (answerWithSuccess) answerAtOnce = Lumo::Core::MethodResult::FromOutput(nullptr);
    }
    std::string Name() const override { return "RecordingProvider"; }
    void Invoke(const Lumo::Core::MethodIdentifier& method, Lumo::Data::DataValuePtr input,
                std::shared_ptr<Lumo::Core::AsyncActivation> activation,
                Lumo::Core::AsyncApiResultCb resultCb) override
    {
        const auto& context = CSLogger::CurrentContext::Entries();
        const auto opId = context.find("opId");
        calls.push_back({method, std::move(input), std::move(activation), std::move(resultCb),
                         opId == context.end() ? std::string() : opId->second});
        CSLogger::Log(2, "service runs %s", method.ToString().c_str());
        if (answerAtOnce) Answer(calls.size() - 1, *answerAtOnce);
    }

    // Delivers `result` for call `index`; after the final one the callback is dropped, as the
    // chain does, so the filters it holds are released.
    void Answer(size_t index, Lumo::Core::MethodResult result)
    {
        Lumo::Core::AsyncApiResultCb resultCb = calls.at(index).resultCb;
        if (!result.MoreFollows()) calls[index].resultCb = nullptr;
        resultCb(std::move(result));
    }

    // The authenticated user of each call so far.
    std::vector<std::optional<std::string>> Users() const
    {
        std::vector<std::optional<std::string>> users;
        for (const Call& call : calls)
            users.push_back(Lumo::Core::ActivationHelpers::ExtractUsername(*call.activation));
        return users;
    }

    std::optional<Lumo::Core::MethodResult> answerAtOnce;
    std::vector<Call> calls;
};

// A dispatcher over a queue: posted work waits until RunAll(), as on an I/O context.
struct QueueDispatcher {
    std::deque<std::function<void()>> queue;
    Lumo::Provider::Dispatcher Get()
    {
        return [this](std::function<void()> work) { queue.push_back(std::move(work)); };
    }
    // Runs everything posted, including what that posts in turn; how many ran.
    size_t RunAll()
    {
        size_t ran = 0;
        for (; !queue.empty(); ++ran) {
            auto work = std::move(queue.front());
            queue.pop_front();
            work();
        }
        return ran;
    }
};

// The audit records under `root` (a host root directory) in write order, of one event or
// all, each on one line: "event subject object ok|failed key=value ..." (items in key order).
inline std::vector<std::string> AuditRecords(const std::string& root, const std::string& event = "")
{
    std::vector<std::string> texts;
    for (const AuditTest::AuditRecord& record : AuditTest::ReadAuditLog(root)) {
        if (!event.empty() && record.event != event) continue;
        std::string text =
            record.event + " " + record.subject + " " + record.object + (record.success ? " ok" : " failed");
        for (const auto& [key, value] : record.items) text += " " + key + "=" + value;
        texts.push_back(text);
    }
    return texts;
}

}  // namespace ApiTest
