// HMAC, hashes, comparison and randomness through OpenSSL.
#include "dashboard/crypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <stdexcept>
#include <vector>

namespace {

std::string Hex(const unsigned char* bytes, std::size_t size) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text(size * 2, '0');
    for (std::size_t i = 0; i < size; ++i) {
        text[2 * i] = Digits[bytes[i] >> 4];
        text[2 * i + 1] = Digits[bytes[i] & 0x0f];
    }
    return text;
}

}  // namespace

namespace dashboard {

std::string HmacSha256Hex(std::string_view key, std::string_view data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(data.data()),
              data.size(), digest, &size))
        throw std::runtime_error("HMAC-SHA256 failed");
    return Hex(digest, size);
}

std::string Sha256Hex(std::string_view data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!EVP_Digest(data.data(), data.size(), digest, &size, EVP_sha256(), nullptr)) throw std::runtime_error("SHA-256 failed");
    return Hex(digest, size);
}

bool ConstantTimeEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string RandomHex(std::size_t bytes) {
    std::vector<unsigned char> random(bytes);
    if (RAND_bytes(random.data(), static_cast<int>(random.size())) != 1) throw std::runtime_error("no random bytes");
    return Hex(random.data(), random.size());
}

}  // namespace dashboard
