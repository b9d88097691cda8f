// HMAC-SHA256 of the upload body under the API key, behind one seam with two backends chosen at build
// time: CryptoAPI on Windows, OpenSSL's libcrypto on Linux. Keys of any length sign correctly.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zando {

// 64 lowercase hexadecimal characters; empty when a step failed, after logging that step's line.
std::string HmacSha256Hex(std::string_view key, std::string_view message, const std::function<void(const std::string&)>& log);

// Sets the signing library up as its first use would (libcrypto's costs some 5 M instructions), on the
// calling thread, and gives back what the library keeps for that thread: a thread that only prepares
// keeps nothing of it.
void PrepareSigningLibrary();

// The name an API key is known by where it must not be written itself (the history's kept uploads): 16
// hexadecimal digits of its signature of a fixed text, from which the key cannot be read back. Empty
// when signing failed.
inline std::string ApiKeyFingerprint(std::string_view key) {
    return HmacSha256Hex(key, "ZANDO API key", [](const std::string&) {}).substr(0, 16);
}

}  // namespace zando
