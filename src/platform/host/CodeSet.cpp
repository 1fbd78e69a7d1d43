#include "platform/host/CodeSet.hpp"

#include <strings.h>

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

bool ValidUtf8(const unsigned char* bytes, size_t length)
{
    size_t at = 0;
    while (at < length) {
        const size_t step = CodeSet_Utf8SequenceLength(bytes + at, length - at);
        if (step == 0) {
            return false;
        }
        at += step;
    }
    return true;
}

bool ValidAscii(const unsigned char* bytes, size_t length)
{
    for (size_t at = 0; at < length; ++at) {
        if (bytes[at] >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace

size_t CodeSet_Utf8SequenceLength(const unsigned char* bytes, size_t available)
{
    if (available == 0) {
        return 0;
    }
    const unsigned char lead = bytes[0];
    if (lead < 0x80) {
        return 1;
    }
    // The second byte's range depends on the lead byte: narrower ranges after E0, ED, F0
    // and F4 are what exclude overlong forms, surrogates and code points past U+10FFFF.
    size_t length;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;  // a continuation byte, an overlong two-byte lead (C0, C1) or F5..FF
    }
    if (available < length || bytes[1] < low || bytes[1] > high) {
        return 0;
    }
    for (size_t at = 2; at < length; ++at) {
        if (!IsContinuation(bytes[at])) {
            return 0;
        }
    }
    return length;
}

bool CodeSet_Validate(const char* bytes, size_t length, const char* codeSet)
{
    if (codeSet == nullptr || (bytes == nullptr && length > 0)) {
        return false;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes);
    if (strcasecmp(codeSet, "UTF-8") == 0 || strcasecmp(codeSet, "UTF8") == 0) {
        return ValidUtf8(data, length);
    }
    if (strcasecmp(codeSet, "ASCII") == 0 || strcasecmp(codeSet, "US-ASCII") == 0) {
        return ValidAscii(data, length);
    }
    return false;
}
