// CryptoHash: SHA-256 digests of byte strings, and their hexadecimal text.
//
// Free functions without shared state; thread-safe.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

using Sha256Digest = std::array<uint8_t, 32>;

// The SHA-256 digest of `bytes`. Throws std::runtime_error when the crypto library fails.
Sha256Digest CryptoHash_ComputeSHA256(std::string_view bytes);

// Two lowercase hexadecimal digits per byte, in byte order.
std::string CryptoHash_ToHex(std::span<const uint8_t> bytes);
