// Stand-ins around a filter under test: the next element of the chain, which records every
// call and answers when told to, and a dispatcher whose posted work runs when the test says so.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "../../util/CapturedLog.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/host/Log.hpp"
#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/AsyncLocalProvider.hpp"

namespace FilterTest {

// The next element: keeps each call with its callback; Answer() delivers a result for it.
class RecordingProvider : public Lumo::Core::AsyncApiProvider {
public:
    struct Call {
        Lumo::Core::MethodIdentifier method;
        Lumo::Data::DataValuePtr input;
        std::shared_ptr<Lumo::Core::AsyncActivation> activation;
        Lumo::Core::AsyncApiResultCb resultCb;
        // The calling thread's "opId" log context entry while the call came in ("" if none).
        std::string opIdSeen;
    };

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
        if (answerAtOnce) {
            Answer(calls.size() - 1, *answerAtOnce);
        }
    }

    // Delivers `result` for call `index`; after the final delivery the callback is dropped, as
    // the chain does, so the filters it holds are released.
    void Answer(size_t index, Lumo::Core::MethodResult result)
    {
        Lumo::Core::AsyncApiResultCb resultCb = calls.at(index).resultCb;
        if (!result.MoreFollows()) {
            calls[index].resultCb = nullptr;
        }
        resultCb(std::move(result));
    }

    // When set, every call is answered with this result before Invoke returns.
    std::optional<Lumo::Core::MethodResult> answerAtOnce;
    std::vector<Call> calls;
};

// A dispatcher over a queue: posted work waits until RunAll(), which returns how many ran.
struct QueueDispatcher {
    std::deque<std::function<void()>> queue;
    Lumo::Provider::Dispatcher Get()
    {
        return [this](std::function<void()> work) { queue.push_back(std::move(work)); };
    }
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

}  // namespace FilterTest
