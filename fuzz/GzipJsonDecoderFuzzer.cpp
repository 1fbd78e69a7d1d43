// Fuzz target: the decoder of tool output (optionally gzip-compressed JSON). Any input must
// decode or fail with LumoJsonSerializationError, never crash or throw anything else;
// inflation never yields more than its limit; a compressed text decodes exactly as the
// plain text does; and a decoded value encodes to text that decodes and encodes the same.
#include <boost/iostreams/device/back_inserter.hpp>
#include <boost/iostreams/filter/gzip.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzSupport.hpp"
#include "util/Gzip.hpp"
#include "util/LumoJson.hpp"
#include "util/LumoJsonSerializationError.hpp"

namespace {

using LifeCycle::JsonForm;
using LifeCycle::LumoJson;

std::string GzipOf(std::string_view text)
{
    std::string compressed;
    boost::iostreams::filtering_ostream out;
    out.push(boost::iostreams::gzip_compressor());
    out.push(boost::iostreams::back_inserter(compressed));
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.reset();
    return compressed;
}

// The decoded value, or nullopt when the decoder refused the text.
std::optional<Lumo::Data::DataValuePtr> TryDecode(std::string_view text, JsonForm form)
{
    try {
        return LumoJson::Decode(text, form);
    } catch (const LifeCycle::LumoJsonSerializationError&) {
        return std::nullopt;
    }
}

void CheckBoundedInflation(std::string_view text)
{
    constexpr size_t kLimit = 64 * 1024;
    try {
        FUZZ_CHECK(LifeCycle::Gzip::Decompress(text, kLimit).size() <= kLimit);
    } catch (const LifeCycle::GzipError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckBoundedInflation(text);

    for (JsonForm form : {JsonForm::kDirect, JsonForm::kFramework}) {
        const auto decoded = TryDecode(text, form);
        if (!LifeCycle::Gzip::HasSignature(text)) {
            const auto inflated = TryDecode(GzipOf(text), form);
            FUZZ_CHECK(decoded.has_value() == inflated.has_value());
            FUZZ_CHECK(!decoded || Lumo::Data::Equal(*decoded, *inflated));
        }
        if (!decoded || *decoded == nullptr) {
            continue;
        }
        const std::string encoded = LumoJson::Encode(*decoded);
        const auto again = TryDecode(encoded, JsonForm::kDirect);
        FUZZ_CHECK(again.has_value() && *again != nullptr);
        FUZZ_CHECK(LumoJson::Encode(*again) == encoded);
    }
    return 0;
}
