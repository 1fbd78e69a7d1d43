// The header lists of answers: success, an error, an unknown content kind and a bad request.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/lumo/ErrorValue.hpp"
#include "transport/protocol/ContentKind.hpp"
#include "transport/protocol/ProtocolHandlerSpec.hpp"

namespace Lumo::Transport::Http {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

Fields Copy(const HttpResponseHeaderRangeBase& headers)
{
    Fields fields;
    for (const auto& header : headers) fields.emplace_back(header.Name(), header.Value());
    return fields;
}

TEST(ProtocolHandlerSpec, AnswerHeaders)
{
    ProtocolHandlerSpec spec;
    EXPECT_EQ(Copy(spec.errToHeaders(nullptr, {ContentKind::kJson, true})),
              (Fields{{":status", "200"},
                      {":reason", "OK"},
                      {"Content-Type", "application/json"},
                      {"Connection", "Keep-Alive"}}));
    EXPECT_EQ(Copy(ProtocolHandlerSpec::BadRequestHeaders()), (Fields{{":status", "400"},
                                                                      {":reason", "Bad Request"},
                                                                      {"Content-Type", "text/plain"},
                                                                      {"Connection", "close"}}));
    // Each known kind names a media type that reads back as that kind; anything else names none.
    for (uint32_t kind = 1; kind <= 32; kind <<= 1)
        EXPECT_EQ(ContentKind::Of(ContentKind::MediaType(kind)), kind);
    for (uint32_t kind : {0u, 3u, 64u})
        EXPECT_EQ(Copy(spec.errToHeaders(nullptr, {kind, true}))[2].second, "") << kind;

    // The list keeps the error alive: its name is read after the caller's reference is gone.
    const std::string name = "com.orvane.lumo.std.errors." + std::string(200, 'x');
    ApiResponseHeaders headers;
    {
        auto error = Data::ErrorValue::GetInstance(name);
        headers = spec.errToHeaders(error, {ContentKind::kCleanStreamJson, false});
    }
    EXPECT_EQ(Copy(headers), (Fields{{":status", "200"},
                                     {":reason", "OK"},
                                     {"Content-Type", "application/vnd.orvane.lumo.clean.stream.json"},
                                     {"Connection", "close"},
                                     {"lumo-error", name}}));
}

}  // namespace
}  // namespace Lumo::Transport::Http
