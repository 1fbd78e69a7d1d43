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

#include "transport/PhrChunkedDecoder.hpp"
#include "transport/PhrParse.hpp"

namespace Lumo::Transport::PicoHttp {
namespace {

namespace fs = std::filesystem;

// Builds random valid requests: methods node knows, plain targets, random field names and
// values (obs-text included), and half of them with a chunked body, extensions and trailers,
// followed by the start of a pipelined request.
class RequestGenerator {
public:
    explicit RequestGenerator(unsigned seed) : random_(seed) {}

    std::string Next()
    {
        static const char* const kMethods[] = {"GET", "POST", "PUT", "DELETE", "OPTIONS", "PATCH", "M-SEARCH"};
        std::string message = std::string(kMethods[Below(7)]) + " /" + Text("abcXYZ019/._~%?=&-", 0, 30) +
                              (Below(4) == 0 ? " HTTP/1.0\r\n" : " HTTP/1.1\r\n");
        const bool chunked = Below(2) == 0;
        for (std::size_t n = Below(12); n > 0; --n) message += Field();
        if (!chunked) return message + "\r\n";
        message += "Transfer-Encoding: chunked\r\n";
        for (std::size_t n = Below(5); n > 0; --n) message += Field();
        message += "\r\n";
        for (std::size_t n = Below(6); n > 0; --n) {
            const std::size_t size = 1 + Below(300);
            char hex[20];
            std::snprintf(hex, sizeof hex, Below(2) ? "%zx" : "%zX", size);
            message += std::string(Below(3), '0') + hex + Extension() + "\r\n" + Bytes(size) + "\r\n";
        }
        message += std::string(1 + Below(3), '0') + Extension() + "\r\n";
        for (std::size_t n = Below(3); n > 0; --n) message += Field();
        return message + "\r\nGET /next HTTP/1.1\r\n";
    }

private:
    std::size_t Below(std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_); }

    std::string Text(std::string_view alphabet, std::size_t min, std::size_t max)
    {
        std::string s(min + Below(max - min + 1), ' ');
        for (char& c : s) c = alphabet[Below(alphabet.size())];
        return s;
    }

    std::string Bytes(std::size_t n)
    {
        std::string s(n, ' ');
        for (char& c : s) c = static_cast<char>(Below(256));
        return s;
    }

    std::string Field()
    {
        const std::string value = Text("abc XYZ 0-9:;,\"/\t\x80\xe9\xff()", 0, 40);
        const std::string blanks = Text(" \t", 0, 2);
        return "X-" + Text("abcXYZ019!#$%&'*+-.^_`|~", 1, 12) + ":" + blanks + value + blanks + "\r\n";
    }

    std::string Extension()
    {
        switch (Below(3)) {
            case 0: return "";
            case 1: return ";" + Text("abcxyz", 1, 6);
            default: return ";" + Text("abcxyz", 1, 6) + "=" + Text("abc019", 1, 6);
        }
    }

    std::mt19937 random_;
};

std::string Hex(std::string_view bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

// Our answer in the oracle's format: head end, message end, payload.
std::string OurVerdict(const std::string& message)
{
    HttpRequest request;
    const int head = PhrParse(message.data(), message.size(), request, 0);
    if (head <= 0) return "head " + std::to_string(head);
    const auto headEnd = static_cast<std::size_t>(head);
    if (message.find("Transfer-Encoding: chunked") == std::string::npos) {
        return std::to_string(headEnd) + " " + std::to_string(headEnd) + " ";
    }
    std::string body = message.substr(headEnd);
    PhrChunkedDecoder decoder(2'500'000);
    const auto result = decoder.Decode(body);
    if (result.state != PhrChunkedDecoder::State::Done) return "body " + result.error.message();
    const std::size_t end = message.size() - result.trailing;
    return std::to_string(headEnd) + " " + std::to_string(end) + " " + Hex(std::string_view(body).substr(0, result.payload));
}

fs::path OracleScript()
{
    const char* source = std::getenv("HOSTPREFD_SOURCE_DIR");
    return source ? fs::path(source) / "tests/transport/NodeHttpOracle.js"
                  : fs::path(__FILE__).parent_path() / "NodeHttpOracle.js";
}

TEST(NodeOracle, AgreesOnWhereHeadsAndChunkedBodiesEnd)
{
    if (std::system("node --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "node is not installed";
    ASSERT_TRUE(fs::exists(OracleScript())) << OracleScript();

    RequestGenerator generator(20240601);
    std::vector<std::string> messages;
    for (int i = 0; i < 400; ++i) messages.push_back(generator.Next());

    const fs::path input = fs::temp_directory_path() / ("oracle-" + std::to_string(::getpid()) + ".hex");
    {
        std::ofstream out(input);
        for (const auto& m : messages) out << Hex(m) << "\n";
    }
    const std::string command = "node --no-deprecation " + OracleScript().string() + " " + input.string();
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    const int status = ::pclose(pipe);
    fs::remove(input);
    ASSERT_EQ(status, 0) << output;

    std::istringstream lines(output);
    std::string theirs;
    std::size_t checked = 0;
    for (const auto& message : messages) {
        ASSERT_TRUE(std::getline(lines, theirs)) << "oracle answered " << checked << " messages";
        EXPECT_EQ(OurVerdict(message), theirs) << Hex(message);
        ++checked;
    }
    EXPECT_EQ(checked, messages.size());
}

}  // namespace
}  // namespace Lumo::Transport::PicoHttp
