#include <gmock/gmock.h>
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
    for (const auto& header : headers) {
        fields.emplace_back(header.Name(), header.Value());
    }
    return fields;
}

TEST(ProtocolHandlerSpec, AnswerHeadersForSuccessAndError)
{
    ProtocolHandlerSpec spec;
    EXPECT_EQ(Copy(spec.errToHeaders(nullptr, {ContentKind::kJson, true})),
              (Fields{{":status", "200"},
                      {":reason", "OK"},
                      {"Content-Type", "application/json"},
                      {"Connection", "Keep-Alive"}}));

    auto error = Data::ErrorValue::GetInstance("com.orvane.lumo.std.errors.not_found");
    EXPECT_EQ(Copy(spec.errToHeaders(error, {ContentKind::kCleanStreamJson, false})),
              (Fields{{":status", "200"},
                      {":reason", "OK"},
                      {"Content-Type", "application/vnd.orvane.lumo.clean.stream.json"},
                      {"Connection", "close"},
                      {"lumo-error", "com.orvane.lumo.std.errors.not_found"}}));

    for (uint32_t kind : {0u, 3u, 64u}) {
        auto headers = spec.errToHeaders(nullptr, {kind, true});
        EXPECT_EQ(Copy(headers)[2], (std::pair<std::string, std::string>{"Content-Type", ""})) << kind;
    }
}

TEST(ProtocolHandlerSpec, ErrorNameOutlivesTheCallersReference)
{
    ApiResponseHeaders headers;
    {
        auto error =
            Data::ErrorValue::GetInstance(std::string("com.orvane.lumo.std.errors.") + std::string(200, 'x'));
        headers = ProtocolHandlerSpec::DefaultErrToHeaders(error, {});
    }
    // The list keeps the error alive: its "lumo-error" value still reads the whole name.
    Fields fields = Copy(headers);
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields[4].second, "com.orvane.lumo.std.errors." + std::string(200, 'x'));
}

TEST(ProtocolHandlerSpec, BadRequestHeaders)
{
    EXPECT_EQ(Copy(ProtocolHandlerSpec::BadRequestHeaders()), (Fields{{":status", "400"},
                                                                      {":reason", "Bad Request"},
                                                                      {"Content-Type", "text/plain"},
                                                                      {"Connection", "close"}}));
}

}  // namespace
}  // namespace Lumo::Transport::Http
