// Stand-ins for the neighbours of a filter under test: the element behind it, and the I/O
// context that its dispatcher posts to.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/lumo/ActivationHelpers.hpp"
#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/AsyncLocalProvider.hpp"

namespace ChainTest {

// Answers every call with success and remembers the method ("service.operation") and the
// authenticated user of each.
class RecordingService : public Lumo::Core::AsyncApiProvider {
public:
    std::string Name() const override { return "RecordingService"; }
    void Invoke(const Lumo::Core::MethodIdentifier& method, Lumo::Data::DataValuePtr,
                std::shared_ptr<Lumo::Core::AsyncActivation> activation,
                Lumo::Core::AsyncApiResultCb resultCb) override
    {
        methods.push_back(method.ToString());
        users.push_back(Lumo::Core::ActivationHelpers::ExtractUsername(*activation));
        resultCb(Lumo::Core::MethodResult::FromOutput(nullptr));
    }

    std::vector<std::string> methods;
    std::vector<std::optional<std::string>> users;
};

// Work posted through a dispatcher, kept until the test runs it as the I/O context would.
class PostedWork {
public:
    Lumo::Provider::Dispatcher Dispatcher()
    {
        return [this](std::function<void()> work) { queue_.push_back(std::move(work)); };
    }
    // Runs everything posted so far and whatever that posts in turn.
    void RunAll()
    {
        while (!queue_.empty()) {
            auto work = std::move(queue_.front());
            queue_.pop_front();
            work();
        }
    }

private:
    std::deque<std::function<void()>> queue_;
};

}  // namespace ChainTest
