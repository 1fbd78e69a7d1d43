#include "support/RpcClient.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace TestSupport {

RpcAnswer RpcClient::Call(const std::string& method, const std::string& params, const std::string& security)
{
    return CallRpc(root_.Port(), method, params, security, form_ == Form::kDirect);
}

RpcAnswer RpcClient::CallWithTicket(const std::string& method, const std::string& params,
                                    const std::string& ticket)
{
    static std::atomic<int> tickets{0};
    const std::string name = ticket.empty() ? "test-ticket-" + std::to_string(++tickets) : ticket;
    root_.WriteFile("/var/run/orvane/tickets/" + name, "Lifecycle");
    return Call(method, params, UserPass(name, name));
}

std::string RpcClient::StartTask(const std::string& method, const std::string& params)
{
    RpcAnswer answer = CallWithTicket(method, params);
    // A task's record shows its end just before the task lets the host go; a task started
    // right after the previous one ended may find the host still claimed, once.
    if (answer.ErrorId() == "com.orvane.tarn.task.contention" || answer.Mentions("com.orvane.tarn.task.contention")) {
        answer = CallWithTicket(method, params);
    }
    EXPECT_EQ(answer.errorName, "") << answer.raw;
    return answer.errorName.empty() && answer.Result().IsString() ? answer.Result().GetString() : "";
}

rapidjson::Document RpcClient::WaitTask(const std::string& id, std::chrono::milliseconds timeout,
                                       std::vector<int>* runningProgress)
{
    RpcClient direct(root_, Form::kDirect);
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        RpcAnswer answer = direct.CallWithTicket("com.orvane.hub.tasks.get", R"({"task":")" + id + R"("})");
        rapidjson::Document info;
        if (answer.errorName.empty()) info.CopyFrom(answer.Result(), info.GetAllocator());
        const std::string status = info.IsObject() ? info["status"].GetString() : "";
        if (status == "RUNNING" && runningProgress != nullptr) {
            const int progress = info["progress"]["completed"].GetInt();
            if (runningProgress->empty() || runningProgress->back() != progress) runningProgress->push_back(progress);
        }
        if (status == "SUCCEEDED" || status == "FAILED" || std::chrono::steady_clock::now() > until) {
            EXPECT_TRUE(status == "SUCCEEDED" || status == "FAILED") << answer.raw;
            return info;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string RpcClient::UserPass(const std::string& user, const std::string& password)
{
    return R"({"userName":)" + JsonString(user) + R"(,"password":)" + JsonString(password) + "}";
}

}  // namespace TestSupport
