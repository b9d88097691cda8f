// HMAC-SHA256 with OpenSSL's libcrypto.
#include "upload/request_signature.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace zando {

std::string HmacSha256Hex(std::string_view key, std::string_view message, const std::function<void(const std::string&)>& log) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    // An empty key is a valid HMAC key; libcrypto wants a non-null pointer for it.
    static const unsigned char none = 0;
    const void* keyBytes = key.empty() ? static_cast<const void*>(&none) : static_cast<const void*>(key.data());
    if (!HMAC(EVP_sha256(), keyBytes, static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(message.data()),
              message.size(), digest, &length)) {
        log("ZANDO: HMAC-SHA256 failed");
        return {};
    }
    static constexpr char Hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        text += Hex[digest[i] >> 4];
        text += Hex[digest[i] & 0x0F];
    }
    return text;
}

void PrepareSigningLibrary() {
    HmacSha256Hex("zando", "the first signature", [](const std::string&) {});
    OPENSSL_thread_stop();  // the thread's error queue and the like, made by that first use
}

}  // namespace zando
