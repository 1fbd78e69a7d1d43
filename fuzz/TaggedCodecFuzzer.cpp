// Fuzz target: the tagged JSON codec that the task store and the wire share. Any input must
// decode or be refused, never crash; a decoded value encodes to text that decodes to an equal
// value, and encoding that again gives the same text, so nothing a client or a tool stored
// changes on its way through the daemon.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"

using Lumo::Protocol::Json::TaggedJsonCodec;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto decoded = TaggedJsonCodec::Decode(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!decoded.Ok()) {
        FUZZ_CHECK(decoded.error != nullptr);
        return 0;
    }
    const std::string encoded = TaggedJsonCodec::Encode(*decoded.value);
    const auto again = TaggedJsonCodec::Decode(encoded);
    FUZZ_CHECK(again.Ok());
    FUZZ_CHECK(again.value->Equals(*decoded.value));
    FUZZ_CHECK(TaggedJsonCodec::Encode(*again.value) == encoded);
    return 0;
}
