// The little-endian fields of the file formats the system reads and writes:
// bitmap headers, FAT boot sectors and directory entries, disk image footers,
// extended attributes.
#pragma once

#include <cstdint>

namespace quillmere {

inline std::uint16_t ReadLe16(const std::uint8_t* p) noexcept
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t ReadLe32(const std::uint8_t* p) noexcept
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

inline void WriteLe16(std::uint8_t* p, std::uint32_t v) noexcept
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void WriteLe32(std::uint8_t* p, std::uint32_t v) noexcept
{
    WriteLe16(p, v);
    WriteLe16(p + 2, v >> 16);
}

} // namespace quillmere
