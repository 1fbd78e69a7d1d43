#include "platform/host/CryptoHash.hpp"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

namespace {

struct ContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

}  // namespace

Sha256Digest CryptoHash_ComputeSHA256(std::string_view bytes)
{
    std::unique_ptr<EVP_MD_CTX, ContextFree> context(EVP_MD_CTX_new());
    Sha256Digest digest{};
    unsigned int size = 0;
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest.data(), &size) != 1 || size != digest.size()) {
        throw std::runtime_error("SHA-256 computation failed");
    }
    return digest;
}

std::string CryptoHash_ToHex(std::span<const uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}
