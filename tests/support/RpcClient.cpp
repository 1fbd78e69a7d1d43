#include "support/RpcClient.hpp"

#include <gtest/gtest.h>
#include <rapidjson/pointer.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <thread>

#include "support/HttpExchange.hpp"

namespace TestSupport {

namespace {

// The payload of a chunked HTTP/1.1 answer.
std::string Dechunk(const std::string& answer)
{
    std::string body;
    size_t at = answer.find("\r\n\r\n");
    if (at == std::string::npos) return body;
    at += 4;
    while (at < answer.size()) {
        const size_t lineEnd = answer.find("\r\n", at);
        if (lineEnd == std::string::npos) break;
        const size_t size = std::stoul(answer.substr(at, lineEnd - at), nullptr, 16);
        if (size == 0) break;
        body.append(answer, lineEnd + 2, size);
        at = lineEnd + 2 + size + 2;
    }
    return body;
}

// The first message of a direct-form error answer.
const rapidjson::Value* FirstMessage(const rapidjson::Document& body)
{
    if (!body.IsObject() || !body.HasMember("error")) return nullptr;
    const rapidjson::Value* data = rapidjson::Pointer("/error/data/messages/0").Get(body);
    return data != nullptr && data->IsObject() ? data : nullptr;
}

}  // namespace

std::string RpcAnswer::ErrorId() const
{
    const rapidjson::Value* message = FirstMessage(body);
    return message != nullptr ? (*message)["id"].GetString() : "";
}

std::string RpcAnswer::ErrorText() const
{
    const rapidjson::Value* message = FirstMessage(body);
    return message != nullptr ? (*message)["localized"].GetString() : "";
}

RpcAnswer RpcClient::Call(const std::string& method, const std::string& params, const std::string& security)
{
    std::string withCtx = params;
    if (!security.empty()) {
        withCtx.pop_back();
        withCtx += (params == "{}" ? "" : ",") + std::string(R"("__ctx":{"securityCtx":)") + security + "}}";
    }
    const std::string request =
        R"({"jsonrpc":"2.0","id":1,"method":")" + method + R"(","params":)" + withCtx + "}";
    const std::string accept =
        form_ == Form::kDirect ? "Accept: application/vnd.orvane.lumo.cleanjson\r\n" : std::string();
    HttpExchange client("127.0.0.1", root_.Port());
    EXPECT_TRUE(client.Connected());
    EXPECT_TRUE(client.Send(HttpExchange::JsonPost(request, accept + "Connection: close\r\n")));
    const std::string answer = client.Receive();
    RpcAnswer rpc;
    const size_t header = answer.find("lumo-error: ");
    if (header != std::string::npos) {
        const size_t start = header + 12;
        rpc.errorName = answer.substr(start, answer.find("\r\n", start) - start);
    }
    rpc.raw = Dechunk(answer);
    rpc.body.Parse(rpc.raw.c_str());
    EXPECT_FALSE(rpc.body.HasParseError()) << answer;
    return rpc;
}

RpcAnswer RpcClient::CallWithTicket(const std::string& method, const std::string& params,
                                    const std::string& ticket)
{
    const std::string name = ticket.empty() ? "test-ticket-" + std::to_string(++tickets_) : ticket;
    root_.WriteFile("/var/run/orvane/tickets/" + name, "Lifecycle");
    return Call(method, params, UserPass(name, name));
}

std::string RpcClient::StartTask(const std::string& method, const std::string& params)
{
    RpcAnswer answer = CallWithTicket(method, params);
    EXPECT_EQ(answer.errorName, "") << answer.raw;
    return answer.errorName.empty() && answer.Result().IsString() ? answer.Result().GetString() : "";
}

rapidjson::Document RpcClient::WaitTask(const std::string& id, std::chrono::milliseconds timeout)
{
    RpcClient direct(root_, Form::kDirect);
    direct.tickets_ = tickets_ + 1000;
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        RpcAnswer answer = direct.CallWithTicket("com.orvane.hub.tasks.get", R"({"task":")" + id + R"("})");
        rapidjson::Document info;
        if (answer.errorName.empty()) info.CopyFrom(answer.Result(), info.GetAllocator());
        const std::string status = info.IsObject() ? info["status"].GetString() : "";
        if (status == "SUCCEEDED" || status == "FAILED" || std::chrono::steady_clock::now() > until) {
            tickets_ = direct.tickets_ - 1000;
            EXPECT_TRUE(status == "SUCCEEDED" || status == "FAILED") << answer.raw;
            return info;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string RpcClient::UserPass(const std::string& user, const std::string& password)
{
    return R"({"userName":)" + Quote(user) + R"(,"password":)" + Quote(password) + "}";
}

std::string RpcClient::Quote(const std::string& text)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.String(text.c_str(), static_cast<rapidjson::SizeType>(text.size()));
    return buffer.GetString();
}

}  // namespace TestSupport
