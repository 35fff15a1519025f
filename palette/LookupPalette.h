// The nearest-colour lookup built from a palette's entries: answers which entry
// lies nearest to a colour. It keeps its own copy of the colours, so later
// writes into the palette's entries do not change its answers.
#pragma once

#include <array>
#include <cstdint>

namespace quillmere {

class LookupPalette {
public:
    // entries: count records of 4 bytes (blue, green, red, reserved); at most
    // 256 are used.
    LookupPalette(const std::uint8_t* entries, std::int32_t count);

    // The number of the entry nearest to (R, G, B): the smallest squared
    // distance over red, green and blue; an exact match always wins (distance
    // 0), ties go to the lowest entry number.
    std::int32_t NearestIndex(std::uint8_t R, std::uint8_t G, std::uint8_t B) const noexcept;

    std::int32_t Count() const noexcept { return count_; }

private:
    // Components by entry, padded to 256 with colours far outside 0..255 that
    // never win, so the search runs a fixed-length loop the compiler can
    // vectorise; 16 bits hold every difference, so squares are 16-bit products.
    static constexpr std::int32_t kSlots = 256;
    static constexpr std::int32_t kFar = 1000;
    std::int32_t count_;
    std::array<std::int16_t, kSlots> red_, green_, blue_;
};

} // namespace quillmere
