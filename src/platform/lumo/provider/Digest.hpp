// Lumo::Provider::Digest: short, stable fingerprints of texts and JSON documents, so that a
// client can tell cheaply whether what it cached (a service list, a metadata component) has
// changed since.
//
// Stateless; thread-safe. Not a cryptographic hash: it detects change, not tampering.
#pragma once

#include <rapidjson/document.h>

#include <string>
#include <string_view>

namespace Lumo::Provider {

class Digest {
public:
    // 16 lower-case hex digits of the 64-bit FNV-1a hash of `text`.
    static std::string OfText(std::string_view text);

    // OfText of the canonical form of `json`: objects with their members sorted by name,
    // no blanks, so that two files with the same content in another order agree.
    static std::string OfJson(const rapidjson::Value& json);

    // The canonical text OfJson hashes.
    static std::string CanonicalJson(const rapidjson::Value& json);
};

}  // namespace Lumo::Provider
