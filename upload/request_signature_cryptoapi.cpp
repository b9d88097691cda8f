// HMAC-SHA256 with Windows CryptoAPI: the key goes in as a plain-text key blob under the RC2
// identifier with the HMAC key flag, which lifts RC2's length limit. A key longer than the blob's 256
// bytes is first hashed with SHA-256, as standard HMAC does with any key longer than a block, so the
// signature is the same as for the key itself.
#include <windows.h>
#include <wincrypt.h>

#include <cstring>

#include "upload/request_signature.h"

namespace zando {

namespace {

constexpr DWORD KeyBlobCapacity = 256;

struct PlainTextKeyBlob {
    BLOBHEADER header;
    DWORD keyLength;
    BYTE key[KeyBlobCapacity];
};

// SHA-256 of data; false when CryptoAPI refused.
bool Sha256(HCRYPTPROV provider, std::string_view data, BYTE (&digest)[32]) {
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) return false;
    DWORD length = sizeof digest;
    const bool done = CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0) &&
                      CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0) && length == sizeof digest;
    CryptDestroyHash(hash);
    return done;
}

}  // namespace

std::string HmacSha256Hex(std::string_view key, std::string_view message, const std::function<void(const std::string&)>& log) {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
        log("ZANDO: CryptAcquireContext failed");
        return {};
    }
    PlainTextKeyBlob blob;
    std::memset(&blob, 0, sizeof blob);
    blob.header.bType = PLAINTEXTKEYBLOB;
    blob.header.bVersion = CUR_BLOB_VERSION;
    blob.header.reserved = 0;
    blob.header.aiKeyAlg = CALG_RC2;
    if (key.size() > KeyBlobCapacity) {
        BYTE digest[32];
        if (!Sha256(provider, key, digest)) {
            log("ZANDO: CryptImportKey failed");
            CryptReleaseContext(provider, 0);
            return {};
        }
        std::memcpy(blob.key, digest, sizeof digest);
        blob.keyLength = sizeof digest;
    } else {
        std::memcpy(blob.key, key.data(), key.size());
        blob.keyLength = static_cast<DWORD>(key.size());
    }
    HCRYPTKEY hmacKey = 0;
    if (!CryptImportKey(provider, reinterpret_cast<const BYTE*>(&blob), blob.keyLength + 12, 0, CRYPT_IPSEC_HMAC_KEY, &hmacKey)) {
        log("ZANDO: CryptImportKey failed");
        CryptReleaseContext(provider, 0);
        return {};
    }
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider, CALG_HMAC, hmacKey, 0, &hash)) {
        log("ZANDO: CryptCreateHash failed");
        CryptDestroyKey(hmacKey);
        CryptReleaseContext(provider, 0);
        return {};
    }
    HMAC_INFO info;
    std::memset(&info, 0, sizeof info);
    info.HashAlgid = CALG_SHA_256;
    BYTE digest[32];
    DWORD length = sizeof digest;
    const char* failed = nullptr;
    if (!CryptSetHashParam(hash, HP_HMAC_INFO, reinterpret_cast<const BYTE*>(&info), 0)) failed = "ZANDO: CryptSetHashParam failed";
    else if (!CryptHashData(hash, reinterpret_cast<const BYTE*>(message.data()), static_cast<DWORD>(message.size()), 0))
        failed = "ZANDO: CryptHashData failed";
    else if (!CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0)) failed = "ZANDO: CryptGetHashParam failed";
    std::string text;
    if (failed) {
        log(failed);
    } else {
        static constexpr char Hex[] = "0123456789abcdef";
        text.reserve(2 * length);
        for (DWORD i = 0; i < length; ++i) {
            text += Hex[digest[i] >> 4];
            text += Hex[digest[i] & 0x0F];
        }
    }
    CryptDestroyHash(hash);
    CryptDestroyKey(hmacKey);
    CryptReleaseContext(provider, 0);
    return text;
}

void PrepareSigningLibrary() {
    HmacSha256Hex("zando", "the first signature", [](const std::string&) {});
}

}  // namespace zando
