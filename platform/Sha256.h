// SHA-256 digests, computed by the system's own implementation (CNG on Windows,
// OpenSSL's libcrypto elsewhere), and their text form.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace talun {

inline constexpr std::size_t SHA256_DIGEST_SIZE = 32;
using Sha256Digest = std::array<uint8_t, SHA256_DIGEST_SIZE>;

// The digest of size bytes at data; nothing when the system's implementation
// failed (it then says nothing either: the caller reports it).
std::optional<Sha256Digest> ComputeSha256(const uint8_t* data, std::size_t size);

// 64 lower-case hexadecimal digits.
std::string Sha256Hex(const Sha256Digest& digest);
// Exactly 64 hexadecimal digits, either case; nothing for any other text.
std::optional<Sha256Digest> ParseSha256Hex(const std::string& text);

}  // namespace talun
