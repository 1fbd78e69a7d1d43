// Cross-checks the head parser and the chunked decoder against node's bundled HTTP parser, an
// independent implementation: on generated valid requests both must find the same end of the
// head, the same end of the message and the same body payload. Skipped where node is missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/ShellCommand.hpp"
#include "transport/PhrChunkedDecoder.hpp"
#include "transport/PhrParse.hpp"

namespace Lumo::Transport::PicoHttp {
namespace {

// Random valid requests: methods node knows, plain targets, random field names and values
// (obs-text included), half of them with a chunked body, extensions and trailers, followed by
// the start of a pipelined request.
std::string RandomRequest(std::mt19937& random)
{
    const auto below = [&](std::size_t bound) {
        return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random);
    };
    const auto text = [&](std::string_view alphabet, std::size_t min, std::size_t max) {
        std::string s(min + below(max - min + 1), ' ');
        for (char& c : s) c = alphabet[below(alphabet.size())];
        return s;
    };
    const auto field = [&] {
        const std::string blanks = text(" \t", 0, 2);
        return "X-" + text("abcXYZ019!#$%&'*+-.^_`|~", 1, 12) + ":" + blanks +
               text("abc XYZ 0-9:;,\"/\t\x80\xe9\xff()", 0, 40) + blanks + "\r\n";
    };
    const auto extension = [&] {
        const std::size_t kind = below(3);
        return kind == 0 ? "" : ";" + text("abcxyz", 1, 6) + (kind == 1 ? "" : "=" + text("abc019", 1, 6));
    };
    static const char* const kMethods[] = {"GET", "POST", "PUT", "DELETE", "OPTIONS", "PATCH", "M-SEARCH"};
    std::string message = std::string(kMethods[below(7)]) + " /" + text("abcXYZ019/._~%?=&-", 0, 30) +
                          (below(4) == 0 ? " HTTP/1.0\r\n" : " HTTP/1.1\r\n");
    for (std::size_t n = below(12); n > 0; --n) message += field();
    if (below(2) == 0) return message + "\r\n";
    message += "Transfer-Encoding: chunked\r\n";
    for (std::size_t n = below(5); n > 0; --n) message += field();
    message += "\r\n";
    for (std::size_t n = below(6); n > 0; --n) {
        const std::size_t size = 1 + below(300);
        char hex[20];
        std::snprintf(hex, sizeof hex, below(2) ? "%zx" : "%zX", size);
        message += std::string(below(3), '0') + hex + extension() + "\r\n" +
                   text(std::string_view("\0\r\n\xffzab0", 8), size, size) + "\r\n";
    }
    message += std::string(1 + below(3), '0') + extension() + "\r\n";
    for (std::size_t n = below(3); n > 0; --n) message += field();
    return message + "\r\nGET /next HTTP/1.1\r\n";
}

std::string Hex(std::string_view bytes)
{
    std::string hex;
    for (unsigned char c : bytes) hex += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
    return hex;
}

// Our answer in the oracle's format: head end, message end, payload.
std::string OurVerdict(const std::string& message)
{
    HttpRequest request;
    const int head = PhrParse(message.data(), message.size(), request, 0);
    if (head <= 0) return "head " + std::to_string(head);
    if (message.find("Transfer-Encoding: chunked") == std::string::npos)
        return std::to_string(head) + " " + std::to_string(head) + " ";
    std::string body = message.substr(head);
    PhrChunkedDecoder decoder(2'500'000);
    const auto result = decoder.Decode(body);
    if (result.state != PhrChunkedDecoder::State::Done) return "body " + result.error.message();
    return std::to_string(head) + " " + std::to_string(message.size() - result.trailing) + " " +
           Hex(std::string_view(body).substr(0, result.payload));
}

TEST(NodeOracle, AgreesOnWhereHeadsAndChunkedBodiesEnd)
{
    namespace fs = std::filesystem;
    if (std::system("node --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "node is not installed";
    const fs::path script = fs::path(__FILE__).parent_path() / "NodeHttpOracle.js";
    ASSERT_TRUE(fs::exists(script)) << script;

    std::mt19937 random(20240601);
    std::vector<std::string> messages;
    const fs::path input = fs::temp_directory_path() / ("oracle-" + std::to_string(::getpid()) + ".hex");
    {
        std::ofstream out(input);
        for (int i = 0; i < 400; ++i) out << Hex(messages.emplace_back(RandomRequest(random))) << "\n";
    }
    const auto [output, status] = TestSupport::RunShell("node --no-deprecation " + script.string() + " " + input.string());
    fs::remove(input);
    ASSERT_EQ(status, 0) << output;

    std::istringstream lines(output);
    std::string theirs;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        ASSERT_TRUE(std::getline(lines, theirs)) << "the oracle answered only " << i << " messages";
        EXPECT_EQ(OurVerdict(messages[i]), theirs) << Hex(messages[i]);
    }
}

}  // namespace
}  // namespace Lumo::Transport::PicoHttp
