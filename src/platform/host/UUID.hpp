// UUID: random identifiers in their 36-character text form ("8-4-4-4-12" hex digits).
//
// Free functions without shared state; thread-safe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

using UUIDBytes = std::array<uint8_t, 16>;

// A new random (version 4) UUID as lowercase text in a buffer the caller releases with
// free(), or null when no random bytes could be had.
char* UUID_CreateRandom();

// Whether the first `length` bytes of `text` are exactly one UUID in text form (either
// case, no braces or blanks). When they are and `packed` is given, it receives the bytes.
bool UUID_PackText(const char* text, size_t length, UUIDBytes* packed = nullptr);
