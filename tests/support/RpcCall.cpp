#include "support/RpcCall.hpp"

#include <gtest/gtest.h>
#include <rapidjson/pointer.h>

#include <cstdio>

#include "support/HttpExchange.hpp"

namespace TestSupport {

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

namespace {

const rapidjson::Value* FirstErrorMessage(const rapidjson::Document& body)
{
    const rapidjson::Value* message = rapidjson::Pointer("/error/data/messages/0").Get(body);
    return message != nullptr && message->IsObject() ? message : nullptr;
}

}  // namespace

std::string RpcAnswer::ErrorId() const
{
    const rapidjson::Value* message = FirstErrorMessage(body);
    return message != nullptr ? (*message)["id"].GetString() : "";
}

std::string RpcAnswer::ErrorText() const
{
    const rapidjson::Value* message = FirstErrorMessage(body);
    return message != nullptr ? (*message)["localized"].GetString() : "";
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

RpcAnswer CallRpc(int port, const std::string& method, const std::string& params, const std::string& security,
                  bool direct)
{
    std::string withCtx = params;
    if (!security.empty()) {
        withCtx.pop_back();
        withCtx += (params == "{}" ? "" : ",") + std::string(R"("__ctx":{"securityCtx":)") + security + "}}";
    }
    const std::string request =
        R"({"jsonrpc":"2.0","id":1,"method":")" + method + R"(","params":)" + withCtx + "}";
    HttpExchange client("127.0.0.1", port);
    EXPECT_TRUE(client.Connected());
    // The daemon closes the connection after its answer, which ends the read at once.
    const std::string accept = direct ? "Accept: application/vnd.orvane.lumo.cleanjson\r\n" : "";
    EXPECT_TRUE(client.Send(HttpExchange::JsonPost(request, "Connection: close\r\n" + accept)));
    const std::string answer = client.Receive(SIZE_MAX, std::chrono::seconds(30));
    RpcAnswer rpc;
    const size_t header = answer.find("lumo-error: ");
    if (header != std::string::npos) {
        const size_t start = header + 12;
        rpc.errorName = answer.substr(start, answer.find("\r\n", start) - start);
    }
    rpc.raw = Dechunk(answer);
    rpc.body.Parse(rpc.raw.c_str());
    EXPECT_FALSE(rpc.body.HasParseError()) << answer.substr(0, 2000);
    return rpc;
}

}  // namespace TestSupport
