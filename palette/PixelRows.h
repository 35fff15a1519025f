// Inline helpers shared by the dithering stages: the index depth of a palette,
// writing an index into a row of the index buffer, and the row scan.
#pragma once

#include "imaging/Errors.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>

namespace quillmere::dither {

// Writes index into a zero-filled buffer row at pixel x, most significant bits
// first: 8 bits a byte; 4 bits with the even pixel in the high nibble; 1 bit
// with pixel 0 in bit 7.
template <int Depth> inline void PutIndex(std::uint8_t* row, std::int32_t x, std::uint8_t index) noexcept
{
    if constexpr (Depth == 8) {
        row[x] = index;
    } else if constexpr (Depth == 4) {
        row[x >> 1] |= static_cast<std::uint8_t>((x & 1) ? (index & 0x0F) : (index << 4));
    } else {
        static_assert(Depth == 1);
        if (index & 1)
            row[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
    }
}

// The index depth for a palette of Count entries: 8, 4 or 1 bits. Throws Error
// for any count but 256, 16 and 2.
inline std::int32_t DepthForCount(std::int32_t count)
{
    switch (count) {
    case 256:
        return 8;
    case 16:
        return 4;
    case 2:
        return 1;
    default:
        throw Error("Only a palette of 2, 16 or 256 colours can be dithered to, not one of "
                    + std::to_string(count));
    }
}

// Throws Error unless first is 1 to count and indices holds one byte for each
// of W x H pixels, SubscriptError when one of them is count or more.
inline void CheckReserved(std::int32_t first, std::span<const std::uint8_t> indices, std::int32_t W,
                          std::int32_t H, std::int32_t count)
{
    if (first < 1 || first > count)
        throw Error("Entries from " + std::to_string(first) + " up cannot be kept from a palette of "
                    + std::to_string(count));
    if (indices.size() != static_cast<std::size_t>(W) * static_cast<std::size_t>(H))
        throw Error("The kept indices are for " + std::to_string(indices.size()) + " pixels, not "
                    + std::to_string(W) + " x " + std::to_string(H));
    // A plain maximum, which the compiler turns into wide compares.
    std::uint8_t highest = 0;
    for (const std::uint8_t index : indices)
        highest = std::max(highest, index);
    if (highest >= count)
        throw SubscriptError("Palette entry " + std::to_string(highest) + " does not exist (the palette has "
                             + std::to_string(count) + " entries)");
}

// Calls scan(depth, reserved) with the index depth (8, 4, else 1) and whether
// entries are reserved as compile-time constants (std::integral_constant), so
// each combination runs its own loop and the plain one pays nothing for the
// reserved entries.
template <typename Scan> void WithDepth(std::int32_t depth, bool reserved, Scan&& scan)
{
    const auto withReserved = [&](auto d) {
        if (reserved)
            scan(d, std::true_type{});
        else
            scan(d, std::false_type{});
    };
    switch (depth) {
    case 8:
        withReserved(std::integral_constant<int, 8>{});
        break;
    case 4:
        withReserved(std::integral_constant<int, 4>{});
        break;
    default:
        withReserved(std::integral_constant<int, 1>{});
        break;
    }
}

// Walks the surface top row first, each row left to right; the index of picture
// row y goes to buffer row H - 1 - y. pick(px, x, y) returns the index of the
// pixel at px and overwrites it; rowDone(y) follows each row.
template <int Depth, typename Pick, typename RowDone>
void ScanRows(std::uint8_t* bits, std::uint8_t* buffer, std::int32_t stride, std::int32_t W, std::int32_t H,
              Pick&& pick, RowDone&& rowDone)
{
    for (std::int32_t y = 0; y < H; ++y) {
        std::uint8_t* row = buffer + static_cast<std::ptrdiff_t>(H - 1 - y) * stride;
        std::uint8_t* px = bits + static_cast<std::ptrdiff_t>(y) * W * 4;
        for (std::int32_t x = 0; x < W; ++x, px += 4)
            PutIndex<Depth>(row, x, pick(px, x, y));
        rowDone(y);
    }
}

// ScanRows at a depth chosen at run time.
template <typename Pick, typename RowDone>
void ScanRowsAtDepth(std::int32_t depth, std::uint8_t* bits, std::uint8_t* buffer, std::int32_t stride,
                     std::int32_t W, std::int32_t H, Pick&& pick, RowDone&& rowDone)
{
    switch (depth) {
    case 8:
        ScanRows<8>(bits, buffer, stride, W, H, pick, rowDone);
        break;
    case 4:
        ScanRows<4>(bits, buffer, stride, W, H, pick, rowDone);
        break;
    default:
        ScanRows<1>(bits, buffer, stride, W, H, pick, rowDone);
        break;
    }
}

inline std::uint8_t Clamp255(std::int32_t v) noexcept
{
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

} // namespace quillmere::dither
