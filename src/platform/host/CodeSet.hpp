// CodeSet: validation of byte strings against a character encoding.
//
// Strict UTF-8 as the standard defines it: no overlong forms, no surrogates, nothing
// above U+10FFFF, no sequence cut short. Free functions without state; thread-safe.
#pragma once

#include <cstddef>

// Whether `bytes` is valid in `codeSet` ("UTF-8" or "ASCII", any case, "UTF8" and
// "US-ASCII" too). An unknown code set is never valid.
bool CodeSet_Validate(const char* bytes, size_t length, const char* codeSet);

// The length (1..4) of the valid UTF-8 sequence that starts `bytes`, or 0 when the
// sequence there is invalid or runs past `available`.
size_t CodeSet_Utf8SequenceLength(const unsigned char* bytes, size_t available);
