// The header list of an API answer: no media type for an unknown kind, and an error name that
// outlives the caller's reference. The lists themselves are pinned on the wire by the HTTP tests.
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

TEST(ProtocolHandlerSpec, UnknownKindNamesNoMediaTypeAndTheErrorNameOutlivesTheError)
{
    ProtocolHandlerSpec spec;
    for (uint32_t kind : {0u, 3u, 64u})
        EXPECT_EQ(Copy(spec.errToHeaders(nullptr, {kind, true}))[2], Fields::value_type("Content-Type", "")) << kind;

    const std::string name = "com.orvane.lumo.std.errors." + std::string(200, 'x');
    ApiResponseHeaders headers;
    {
        auto error = Data::ErrorValue::GetInstance(name);
        headers = spec.errToHeaders(error, {ContentKind::kCleanStreamJson, false});
    }
    EXPECT_EQ(Copy(headers).back(), Fields::value_type("lumo-error", name));
}

}  // namespace
}  // namespace Lumo::Transport::Http
