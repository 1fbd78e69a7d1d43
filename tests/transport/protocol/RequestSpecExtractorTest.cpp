#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/lumo/JsonApiDirectResponseSerializer.hpp"
#include "platform/lumo/JsonApiResponseSerializer.hpp"
#include "transport/PhrParse.hpp"
#include "transport/TolowerAndSortHeaders.hpp"
#include "transport/protocol/RequestSpecExtractor.hpp"

namespace Lumo::Transport::Http {
namespace {

using PicoHttp::HeaderRequestRange;
using PicoHttp::HttpRequest;
using Fields = std::vector<std::pair<std::string, std::string>>;

// A request whose header views point at strings owned by the fixture.
struct Request {
    explicit Request(std::vector<std::pair<std::string, std::string>> fields, std::string method = "POST")
        : method(std::move(method)), fields(std::move(fields))
    {
        request.method = this->method;
        for (const auto& [name, value] : this->fields) {
            request.headers[request.headerCount++] = {name, value};
        }
    }
    Request(const Request&) = delete;

    RequestSpec Spec() const { return RequestSpecExtractor::Extract(HeaderRequestRange(request)); }

    std::string method;
    std::vector<std::pair<std::string, std::string>> fields;
    HttpRequest request;
};

bool IsDirect(const RequestSpec& spec)
{
    return dynamic_cast<const Protocol::Json::JsonApiDirectResponseSerializer*>(spec.responseEncoder.get()) !=
           nullptr;
}

bool IsTagged(const RequestSpec& spec)
{
    return dynamic_cast<const Protocol::Json::JsonApiResponseSerializer*>(spec.responseEncoder.get()) !=
           nullptr;
}

TEST(ContentKind, EveryMediaTypeFoundAsASubstring)
{
    EXPECT_EQ(ContentKind::Of(""), 0u);
    EXPECT_EQ(ContentKind::Of("text/plain"), 0u);
    EXPECT_EQ(ContentKind::Of("application/json; charset=utf-8"), ContentKind::kJson);
    EXPECT_EQ(ContentKind::Of("Application/JSON"), 0u);  // compared exactly
    EXPECT_EQ(ContentKind::Of("application/vnd.orvane.lumo.clean.stream.json"),
              ContentKind::kCleanStreamJson);
    EXPECT_EQ(ContentKind::Of("application/vnd.orvane.lumo.cframed.cleanjson"),
              ContentKind::kCframedCleanJson);
    EXPECT_EQ(
        ContentKind::Of("application/json, application/vnd.orvane.lumo.framed, "
                        "application/vnd.orvane.lumo.cleanjson, application/vnd.orvane.lumo.stream.json"),
        ContentKind::kJson | ContentKind::kFramed | ContentKind::kCleanJson | ContentKind::kStreamJson);
    for (uint32_t kind = 1; kind <= 32; kind <<= 1) {
        EXPECT_EQ(ContentKind::Of(ContentKind::MediaType(kind)), kind);
    }
    EXPECT_EQ(ContentKind::MediaType(0), "");
    EXPECT_EQ(ContentKind::MediaType(3), "");
    EXPECT_EQ(ContentKind::MediaType(64), "");
}

TEST(RequestSpecExtractor, DefaultsWithoutHeaders)
{
    Request request({});
    RequestSpec spec = request.Spec();
    EXPECT_EQ(spec.contentKind, 0u);
    EXPECT_EQ(spec.acceptKind, ContentKind::kJson);
    EXPECT_EQ(spec.contentLength, 0u);
    EXPECT_TRUE(spec.keepAlive);
    EXPECT_FALSE(spec.streaming);
    EXPECT_EQ(spec.requestDecoder, nullptr);  // no Content-Type: refused
    EXPECT_TRUE(IsTagged(spec));
    EXPECT_FALSE(spec.Valid());
}

TEST(RequestSpecExtractor, OnlyPlainJsonBodiesAreDecoded)
{
    struct Case {
        std::string contentType;
        uint32_t kind;
        bool decoded;
    };
    const Case cases[] = {
        {"application/json", ContentKind::kJson, true},
        {"application/json; charset=utf-8", ContentKind::kJson, true},
        {"application/vnd.orvane.lumo.cleanjson", ContentKind::kCleanJson, false},
        {"application/json, application/vnd.orvane.lumo.framed", ContentKind::kJson | ContentKind::kFramed,
         false},
        {"text/json", 0, false},
        {"APPLICATION/JSON", 0, false},
    };
    for (const Case& c : cases) {
        Request request({{"content-type", c.contentType}});
        RequestSpec spec = request.Spec();
        EXPECT_EQ(spec.contentKind, c.kind) << c.contentType;
        EXPECT_EQ(spec.contentType, c.contentType);
        EXPECT_EQ(spec.requestDecoder != nullptr, c.decoded) << c.contentType;
        EXPECT_EQ(spec.Valid(), c.decoded) << c.contentType;
    }
}

TEST(RequestSpecExtractor, AcceptChoosesOneKindTheEncoderAndStreaming)
{
    struct Case {
        std::string accept;
        uint32_t kind;
        bool direct;
        bool streaming;
    };
    const Case cases[] = {
        {"application/json", ContentKind::kJson, false, false},
        {"*/*", ContentKind::kJson, false, false},  // nothing known: served as JSON
        {"application/vnd.orvane.lumo.cleanjson", ContentKind::kCleanJson, true, false},
        {"application/vnd.orvane.lumo.framed", ContentKind::kJson, false, false},
        {"application/vnd.orvane.lumo.cframed.cleanjson", ContentKind::kJson, false, false},
        {"application/vnd.orvane.lumo.stream.json", ContentKind::kStreamJson, false, true},
        {"application/vnd.orvane.lumo.clean.stream.json", ContentKind::kCleanStreamJson, true, true},
        {"application/vnd.orvane.lumo.stream.json, application/vnd.orvane.lumo.clean.stream.json",
         ContentKind::kCleanStreamJson, true, true},
        {"application/vnd.orvane.lumo.cleanjson, application/vnd.orvane.lumo.stream.json",
         ContentKind::kStreamJson, false, true},
        {"application/json, application/vnd.orvane.lumo.cleanjson", ContentKind::kCleanJson, true, false},
        {"text/x.stream.json", ContentKind::kJson, false, true},  // the suffix alone turns streaming on
    };
    for (const Case& c : cases) {
        Request request({{"accept", c.accept}, {"content-type", "application/json"}});
        RequestSpec spec = request.Spec();
        EXPECT_EQ(spec.acceptKind, c.kind) << c.accept;
        EXPECT_EQ(IsDirect(spec), c.direct) << c.accept;
        EXPECT_EQ(IsTagged(spec), !c.direct) << c.accept;
        EXPECT_EQ(spec.streaming, c.streaming) << c.accept;
        EXPECT_TRUE(spec.Valid());
    }
}

TEST(RequestSpecExtractor, ConnectionAndContentLength)
{
    for (const char* value : {"close", "Close", "keep-alive, CLOSE", "upgrade,close"}) {
        Request request(Fields{{"connection", value}});
        EXPECT_FALSE(request.Spec().keepAlive) << value;
    }
    Request keep(Fields{{"connection", "keep-alive"}});
    EXPECT_TRUE(keep.Spec().keepAlive);

    struct Case {
        std::string value;
        uint64_t length;
    };
    const Case lengths[] = {
        {"0", 0},
        {"2500001", 2500001},
        {"010", 10},  // decimal here, whatever the head parser made of it
        {"18446744073709551615", std::numeric_limits<uint64_t>::max()},
        {"99999999999999999999999", std::numeric_limits<uint64_t>::max()},  // too large stays too large
        {"abc", 0},
    };
    for (const Case& c : lengths) {
        Request request(Fields{{"content-length", c.value}});
        EXPECT_EQ(request.Spec().contentLength, c.length) << c.value;
    }
}

TEST(RequestSpecExtractor, ReadsAHeadAsTheParserLeavesIt)
{
    const std::string head =
        "POST /api HTTP/1.1\r\n"
        "Host: localhost\r\n"
        "Accept: application/vnd.orvane.lumo.clean.stream.json\r\n"
        "Content-Type: application/json; charset=utf-8\r\n"
        "Content-Length: 42\r\n"
        "Connection: Close\r\n"
        "\r\n";
    HttpRequest request;
    std::memcpy(request.headBuffer.data(), head.data(), head.size());
    request.headerCount = HttpRequest::kMaxHeaders;
    ASSERT_EQ(PicoHttp::PhrParse(request.headBuffer.data(), head.size(), request, 0),
              static_cast<int>(head.size()));
    PicoHttp::TolowerAndSortHeaders(request);

    HeaderRequestRange range(request);
    EXPECT_EQ(range.Count(), 5u);
    EXPECT_EQ(range.Find(":method"), "POST");
    EXPECT_EQ(range.Find("host"), "localhost");
    EXPECT_EQ(range.Find("Host"), std::nullopt);

    RequestSpec spec = RequestSpecExtractor::Extract(range);
    EXPECT_TRUE(spec.Valid());
    EXPECT_EQ(spec.contentKind, ContentKind::kJson);
    EXPECT_EQ(spec.acceptKind, ContentKind::kCleanStreamJson);
    EXPECT_TRUE(spec.streaming);
    EXPECT_FALSE(spec.keepAlive);
    EXPECT_EQ(spec.contentLength, 42u);
}

TEST(HeaderRequestRange, MethodFirstThenEachField)
{
    Request request({{"a", "1"}, {"b", "2"}}, "DELETE");
    std::vector<std::pair<std::string, std::string>> seen;
    for (const auto& header : HeaderRequestRange(request.request)) {
        const Header& asInterface = header;
        seen.emplace_back(asInterface.Name(), asInterface.Value());
    }
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::string>>{
                        {":method", "DELETE"}, {"a", "1"}, {"b", "2"}}));

    // A count past the array is never trusted.
    HttpRequest broken;
    broken.headerCount = HttpRequest::kMaxHeaders + 10;
    HeaderRequestRange range(broken);
    EXPECT_EQ(range.Count(), HttpRequest::kMaxHeaders);
    EXPECT_EQ(std::distance(range.begin(), range.end()),
              static_cast<std::ptrdiff_t>(HttpRequest::kMaxHeaders + 1));
}

}  // namespace
}  // namespace Lumo::Transport::Http
