// Helpers shared by the fuzz targets: an invariant check that stops the run with a message,
// and the cut points at which a target splits its input, derived from the input itself so
// that every finding replays exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "invariant failed at %s:%d: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

namespace Fuzz {

// FNV-1a over the input: the seed of everything a target varies besides the bytes.
inline std::uint64_t Seed(const std::uint8_t* data, std::size_t size)
{
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < size; ++i) {
        h = (h ^ data[i]) * 1099511628211ull;
    }
    return h;
}

// A small deterministic generator (xorshift64*).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed | 1) {}

    std::uint64_t Next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 2685821657736338717ull;
    }

    // A number in [0, bound); bound > 0.
    std::size_t Below(std::size_t bound) { return static_cast<std::size_t>(Next() % bound); }

private:
    std::uint64_t state_;
};

// Ascending cut points ending at `size`: pieces of random length, often tiny, sometimes large,
// so that reads of one byte and reads that swallow most of the input both occur.
inline std::vector<std::size_t> Cuts(std::size_t size, Random& random)
{
    std::vector<std::size_t> cuts;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t step = random.Below(4) == 0 ? 1 + random.Below(size) : 1 + random.Below(8);
        at = at + step < size ? at + step : size;
        cuts.push_back(at);
    }
    return cuts;
}

}  // namespace Fuzz
