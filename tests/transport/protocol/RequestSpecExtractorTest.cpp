// What a request head asks for: the kind of its body and of its answer, the response encoder,
// streaming, keep-alive and the declared length.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/lumo/JsonApiDirectResponseSerializer.hpp"
#include "transport/protocol/RequestSpecExtractor.hpp"

namespace Lumo::Transport::Http {
namespace {

using PicoHttp::HeaderRequestRange;
using PicoHttp::HttpRequest;

// The spec of a POST with the given (already lower-cased) fields.
RequestSpec SpecOf(const std::vector<std::pair<std::string, std::string>>& fields)
{
    HttpRequest request;
    request.method = "POST";
    for (const auto& [name, value] : fields) request.headers[request.headerCount++] = {name, value};
    return RequestSpecExtractor::Extract(HeaderRequestRange(request));
}

TEST(RequestSpecExtractor, OnlyPlainJsonBodiesAreDecoded)
{
    const RequestSpec none = SpecOf({});
    EXPECT_EQ(none.acceptKind, ContentKind::kJson);
    EXPECT_TRUE(none.keepAlive);
    EXPECT_EQ(none.contentLength, 0u);
    EXPECT_FALSE(none.Valid());  // no Content-Type

    const struct {
        std::string contentType;
        uint32_t kind;
        bool decoded;
    } rows[] = {
        {"application/json; charset=utf-8", ContentKind::kJson, true},
        {"application/vnd.orvane.lumo.cleanjson", ContentKind::kCleanJson, false},
        {"application/vnd.orvane.lumo.cframed.cleanjson", ContentKind::kCframedCleanJson, false},
        {"application/json, application/vnd.orvane.lumo.framed, application/vnd.orvane.lumo.stream.json",
         ContentKind::kJson | ContentKind::kFramed | ContentKind::kStreamJson, false},
        {"text/json", 0, false},
        {"APPLICATION/JSON", 0, false},  // compared exactly
    };
    for (const auto& row : rows) {
        const RequestSpec spec = SpecOf({{"content-type", row.contentType}});
        EXPECT_EQ(spec.contentKind, row.kind) << row.contentType;
        EXPECT_EQ(spec.contentType, row.contentType);
        EXPECT_EQ(spec.requestDecoder != nullptr, row.decoded) << row.contentType;
        EXPECT_EQ(spec.Valid(), row.decoded) << row.contentType;
    }
}

TEST(RequestSpecExtractor, AcceptChoosesOneKindTheEncoderAndStreaming)
{
    const std::string stream = "application/vnd.orvane.lumo.stream.json",
                      cleanStream = "application/vnd.orvane.lumo.clean.stream.json",
                      clean = "application/vnd.orvane.lumo.cleanjson";
    const struct {
        std::string accept;
        uint32_t kind;
        bool direct, streaming;
    } rows[] = {
        {"*/*", ContentKind::kJson, false, false},  // nothing known: served as JSON
        {clean, ContentKind::kCleanJson, true, false},
        {"application/vnd.orvane.lumo.framed", ContentKind::kJson, false, false},
        {"application/vnd.orvane.lumo.cframed.cleanjson", ContentKind::kJson, false, false},
        {stream, ContentKind::kStreamJson, false, true},
        // Clean stream 32 over stream 16 over clean 2 over JSON 1.
        {stream + ", " + cleanStream, ContentKind::kCleanStreamJson, true, true},
        {clean + ", " + stream, ContentKind::kStreamJson, false, true},
        {"application/json, " + clean, ContentKind::kCleanJson, true, false},
        {"text/x.stream.json", ContentKind::kJson, false, true},  // the suffix alone turns streaming on
    };
    for (const auto& row : rows) {
        const RequestSpec spec = SpecOf({{"accept", row.accept}, {"content-type", "application/json"}});
        EXPECT_EQ(spec.acceptKind, row.kind) << row.accept;
        EXPECT_NE(spec.responseEncoder, nullptr);
        using Direct = Protocol::Json::JsonApiDirectResponseSerializer;
        EXPECT_EQ(dynamic_cast<const Direct*>(spec.responseEncoder.get()) != nullptr, row.direct) << row.accept;
        EXPECT_EQ(spec.streaming, row.streaming) << row.accept;
    }
}

TEST(RequestSpecExtractor, ConnectionAndContentLength)
{
    for (const char* value : {"close", "Close", "keep-alive, CLOSE", "upgrade,close"}) {
        EXPECT_FALSE(SpecOf({{"connection", value}}).keepAlive) << value;
    }
    EXPECT_TRUE(SpecOf({{"connection", "keep-alive"}}).keepAlive);

    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    const std::pair<std::string, uint64_t> lengths[] = {
        {"2500001", 2500001},
        {"010", 10},  // decimal here, whatever the head parser made of it
        {"18446744073709551615", kMax},
        {"99999999999999999999999", kMax},  // too large stays too large
        {"abc", 0},
    };
    for (const auto& [value, length] : lengths) {
        EXPECT_EQ(SpecOf({{"content-length", value}}).contentLength, length) << value;
    }
}

// The method comes first, as ":method"; a field count past the array is never trusted.
TEST(RequestSpecExtractor, HeaderRangeStartsWithTheMethodAndStaysInsideTheArray)
{
    HttpRequest request;
    request.method = "POST";
    request.headerCount = HttpRequest::kMaxHeaders + 10;
    HeaderRequestRange range(request);
    EXPECT_EQ((*range.begin()).Name(), ":method");
    EXPECT_EQ(range.Find(":method"), "POST");
    EXPECT_EQ(std::distance(range.begin(), range.end()), static_cast<std::ptrdiff_t>(HttpRequest::kMaxHeaders + 1));
}

}  // namespace
}  // namespace Lumo::Transport::Http
