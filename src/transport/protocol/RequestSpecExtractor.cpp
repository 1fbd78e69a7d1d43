#include "transport/protocol/RequestSpecExtractor.hpp"

#include <charconv>
#include <limits>

#include "platform/lumo/JsonApiDirectResponseSerializer.hpp"
#include "platform/lumo/JsonApiResponseSerializer.hpp"

namespace Lumo::Transport::Http {

namespace {

using Protocol::Json::JsonApiDirectResponseSerializer;
using Protocol::Json::JsonApiRequestDeserializer;
using Protocol::Json::JsonApiResponseSerializer;
using Protocol::Json::JsonApiSerializerBase;

// The codecs are stateless, so every request shares one instance of each instead of
// allocating its own.
const std::shared_ptr<const JsonApiRequestDeserializer> kDecoder =
    std::make_shared<JsonApiRequestDeserializer>();
const std::shared_ptr<const JsonApiSerializerBase> kTaggedEncoder =
    std::make_shared<JsonApiResponseSerializer>();
const std::shared_ptr<const JsonApiSerializerBase> kDirectEncoder =
    std::make_shared<JsonApiDirectResponseSerializer>();

bool ContainsCaseInsensitive(std::string_view text, std::string_view lowerNeedle)
{
    if (lowerNeedle.size() > text.size()) {
        return false;
    }
    for (size_t at = 0; at + lowerNeedle.size() <= text.size(); ++at) {
        size_t i = 0;
        while (i < lowerNeedle.size()) {
            char c = text[at + i];
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
            if (c != lowerNeedle[i]) {
                break;
            }
            ++i;
        }
        if (i == lowerNeedle.size()) {
            return true;
        }
    }
    return false;
}

// The leading decimal digits of `value`; 0 when there are none, saturated when they do not
// fit, so an oversized length still reads as "too large" rather than as a small number.
uint64_t ReadDecimal(std::string_view value)
{
    uint64_t number = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number, 10);
    if (error == std::errc::result_out_of_range) {
        return std::numeric_limits<uint64_t>::max();
    }
    return error == std::errc() ? number : 0;
}

}  // namespace

uint32_t RequestSpecExtractor::ChooseAcceptKind(uint32_t acceptBits)
{
    for (uint32_t kind : {ContentKind::kCleanStreamJson, ContentKind::kStreamJson, ContentKind::kCleanJson}) {
        if ((acceptBits & kind) != 0) {
            return kind;
        }
    }
    return ContentKind::kJson;
}

std::shared_ptr<const JsonApiSerializerBase> RequestSpecExtractor::EncoderFor(uint32_t acceptKind)
{
    return ContentKind::IsDirect(acceptKind) ? kDirectEncoder : kTaggedEncoder;
}

RequestSpec RequestSpecExtractor::Extract(const PicoHttp::HeaderRequestRange& headers)
{
    RequestSpec spec;
    for (const auto& header : headers) {
        const std::string_view name = header.Name();
        const std::string_view value = header.Value();
        if (name == "content-type") {
            spec.contentKind = ContentKind::Of(value);
            spec.contentType.assign(value);
            // Only plain JSON is decoded: a body in any of the other media types is refused,
            // even when "application/json" also occurs in the value.
            spec.requestDecoder = spec.contentKind == ContentKind::kJson ? kDecoder : nullptr;
        } else if (name == "accept") {
            spec.acceptKind = ChooseAcceptKind(ContentKind::Of(value));
            spec.responseEncoder = EncoderFor(spec.acceptKind);
            if (value.find(".stream.json") != std::string_view::npos) {
                spec.streaming = true;
            }
        } else if (name == "connection") {
            if (ContainsCaseInsensitive(value, "close")) {
                spec.keepAlive = false;
            }
        } else if (name == "content-length") {
            spec.contentLength = ReadDecimal(value);
        }
    }
    if (spec.responseEncoder == nullptr) {
        spec.responseEncoder = EncoderFor(spec.acceptKind);
    }
    return spec;
}

}  // namespace Lumo::Transport::Http
