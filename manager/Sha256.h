// SHA-256 (through Nettle), for the checksums a set's zip lists beside its logos.
#pragma once

#include <span>
#include <string>

namespace quillmere {

// The digest of bytes as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::span<const unsigned char> bytes);

} // namespace quillmere
