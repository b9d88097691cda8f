// The service's cryptography, one seam over OpenSSL: HMAC-SHA256, SHA-256, constant-time comparison
// and random tokens.
#pragma once

#include <string>
#include <string_view>

namespace dashboard {

// Lower-case hexadecimal of HMAC-SHA256(key, data).
std::string HmacSha256Hex(std::string_view key, std::string_view data);
// Lower-case hexadecimal of SHA-256(data).
std::string Sha256Hex(std::string_view data);
// Whether a and b are equal, in a time that depends only on their lengths.
bool ConstantTimeEqual(std::string_view a, std::string_view b);
// bytes random bytes from the operating system's generator, as lower-case hexadecimal.
std::string RandomHex(std::size_t bytes);

}  // namespace dashboard
