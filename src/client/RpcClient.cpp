#include "client/RpcClient.hpp"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <limits>

#include "client/ClientError.hpp"
#include "util/Asio.hpp"

namespace HostprefCtl {

namespace {

namespace http = boost::beast::http;
using boost::asio::ip::tcp;

constexpr const char* kDirectMediaType = "application/vnd.orvane.lumo.cleanjson";
constexpr const char* kTaggedMediaType = "application/json";

// Connects to the first loopback address that accepts; the daemon listens on both.
void ConnectLoopback(tcp::socket& socket, uint16_t port)
{
    boost::system::error_code ec;
    for (const auto& address : {boost::asio::ip::address(boost::asio::ip::address_v4::loopback()),
                                boost::asio::ip::address(boost::asio::ip::address_v6::loopback())}) {
        socket.close(ec);
        socket.connect(tcp::endpoint(address, port), ec);
        if (!ec) return;
    }
    throw ConnectError("cannot connect to hostprefd on port " + std::to_string(port) + ": " + ec.message());
}

std::string JsonText(const rapidjson::Value& value)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    value.Accept(writer);
    return {buffer.GetString(), buffer.GetSize()};
}

}  // namespace

RpcAnswer RpcClient::Call(const std::string& method, rapidjson::Value& params, AnswerForm form)
{
    rapidjson::Document request(rapidjson::kObjectType);
    auto& allocator = request.GetAllocator();
    request.AddMember("jsonrpc", "2.0", allocator);
    request.AddMember("id", nextId_++, allocator);
    request.AddMember("method", rapidjson::Value(method.c_str(), allocator), allocator);
    request.AddMember("params", rapidjson::Value(params, allocator), allocator);

    RpcAnswer answer;
    answer.body = Post(JsonText(request), form, answer.errorName);
    answer.json.Parse(answer.body.c_str(), answer.body.size());
    const bool response = !answer.json.HasParseError() && answer.json.IsObject() &&
                          (answer.json.HasMember("result") || answer.json.HasMember("error"));
    if (!response) {
        throw ClientError(kExitFailed, "the daemon's answer is not a JSON-RPC response: " + answer.body.substr(0, 200));
    }
    return answer;
}

std::string RpcClient::Post(const std::string& body, AnswerForm form, std::string& errorName)
{
    boost::asio::io_context context;
    tcp::socket socket(context);
    ConnectLoopback(socket, port_);

    http::request<http::string_body> request(http::verb::post, "/", 11);
    request.set(http::field::host, "localhost:" + std::to_string(port_));
    request.set(http::field::content_type, "application/json");
    request.set(http::field::accept, form == AnswerForm::Direct ? kDirectMediaType : kTaggedMediaType);
    request.set(http::field::connection, "close");
    request.set(http::field::user_agent, "hostprefctl");
    request.body() = body;
    request.prepare_payload();

    boost::beast::flat_buffer buffer;
    http::response_parser<http::string_body> parser;
    // Task lists grow with the host's history; the daemon bounds what it sends, not us.
    parser.body_limit(std::numeric_limits<std::uint64_t>::max());
    boost::system::error_code ec;
    http::write(socket, request, ec);
    if (!ec) http::read(socket, buffer, parser, ec);
    if (ec) throw ConnectError("the connection to hostprefd on port " + std::to_string(port_) + " broke: " + ec.message());
    const auto& response = parser.get();
    if (auto header = response.find("lumo-error"); header != response.end()) {
        errorName = std::string(header->value());
    }
    return response.body();
}

}  // namespace HostprefCtl
