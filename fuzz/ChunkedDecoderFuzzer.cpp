// Fuzzes the chunked body decoder: the whole input decoded at once against the same input
// handed over in pieces, each piece in a buffer of exactly its size. Checks that the output
// never outgrows the input, that the allowance holds, and that the split feed produces the
// same payload, outcome and trailing bytes as the whole.
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.hpp"
#include "transport/PhrChunkedDecoder.hpp"

using namespace Lumo::Transport::PicoHttp;
using State = PhrChunkedDecoder::State;

namespace {

struct Outcome {
    State state = State::NeedMore;
    std::string payload;
    std::string trailing;
    boost::system::error_code error;
};

PhrChunkedDecoder::Result DecodeChecked(PhrChunkedDecoder& decoder, std::vector<char>& piece, std::uint64_t limit)
{
    const std::uint64_t before = decoder.PayloadTotal();
    const auto result = decoder.Decode(piece);
    FUZZ_CHECK(result.payload + result.trailing <= piece.size());
    FUZZ_CHECK(decoder.PayloadTotal() == before + result.payload);
    FUZZ_CHECK(decoder.PayloadTotal() <= limit);
    FUZZ_CHECK(result.state == State::Done || result.trailing == 0);
    FUZZ_CHECK((result.state == State::Failed) == static_cast<bool>(result.error));
    return result;
}

Outcome Decode(const std::uint8_t* data, std::size_t size, const std::vector<std::size_t>& cuts, std::uint64_t limit)
{
    PhrChunkedDecoder decoder(limit);
    Outcome outcome;
    std::size_t start = 0;
    for (std::size_t cut : cuts) {
        std::vector<char> piece(data + start, data + cut);
        const auto result = DecodeChecked(decoder, piece, limit);
        outcome.payload.append(piece.data(), result.payload);
        outcome.state = result.state;
        outcome.error = result.error;
        if (result.state == State::Done) {
            // The bytes behind the body are those the decoder left untouched.
            FUZZ_CHECK(std::memcmp(piece.data() + piece.size() - result.trailing,
                                   data + cut - result.trailing, result.trailing) == 0);
            outcome.trailing.assign(reinterpret_cast<const char*>(data) + cut - result.trailing, size - cut + result.trailing);
        }
        if (result.state != State::NeedMore) break;
        start = cut;
    }
    FUZZ_CHECK(outcome.payload.size() <= size);
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::Random random(Fuzz::Seed(data, size));
    // Mostly a small allowance, so that the limit is reached often; sometimes the real one.
    const std::uint64_t limit = random.Below(4) == 0 ? 2'500'000 : random.Below(64);

    const Outcome whole = Decode(data, size, {size}, limit);
    const Outcome pieces = Decode(data, size, Fuzz::Cuts(size, random), limit);

    FUZZ_CHECK(pieces.state == whole.state);
    FUZZ_CHECK(pieces.error == whole.error);
    FUZZ_CHECK(pieces.payload == whole.payload);
    FUZZ_CHECK(pieces.trailing == whole.trailing);
    return 0;
}
