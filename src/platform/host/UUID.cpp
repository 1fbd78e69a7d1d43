#include "platform/host/UUID.hpp"

#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid.hpp>
#include <boost/uuid/uuid_io.hpp>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "platform/host/CSLogger.hpp"

namespace {

constexpr size_t kTextLength = 36;

int HexValue(char digit)
{
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    return -1;
}

bool IsDashPosition(size_t at) { return at == 8 || at == 13 || at == 18 || at == 23; }

}  // namespace

char* UUID_CreateRandom()
{
    std::string text;
    try {
        // The generator reads the kernel's random source; one per call keeps this
        // thread-safe without a lock, and identifiers are not made on a hot path.
        boost::uuids::random_generator generate;
        text = boost::uuids::to_string(generate());
    } catch (const std::exception& error) {
        CSLogger::Log(0, "UUID: no random bytes: %s", error.what());
        return nullptr;
    }
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy != nullptr) {
        std::memcpy(copy, text.c_str(), text.size() + 1);
    }
    return copy;
}

bool UUID_PackText(const char* text, size_t length, UUIDBytes* packed)
{
    if (text == nullptr || length != kTextLength) {
        return false;
    }
    UUIDBytes bytes{};
    size_t nibble = 0;
    for (size_t at = 0; at < kTextLength; ++at) {
        if (IsDashPosition(at)) {
            if (text[at] != '-') {
                return false;
            }
            continue;
        }
        const int value = HexValue(text[at]);
        if (value < 0) {
            return false;
        }
        bytes[nibble / 2] = static_cast<uint8_t>(bytes[nibble / 2] << 4 | value);
        ++nibble;
    }
    if (packed != nullptr) {
        *packed = bytes;
    }
    return true;
}
