// The nearest-colour lookup built from a palette's entries: answers which entry
// lies nearest to a colour. It keeps its own copy of the colours, so later
// writes into the palette's entries do not change its answers.
#pragma once

#include <cstdint>
#include <vector>

namespace quillmere {

class LookupPalette {
public:
    // entries: count records of 4 bytes (blue, green, red, reserved).
    LookupPalette(const std::uint8_t* entries, std::int32_t count);

    // The number of the entry nearest to (R, G, B): the smallest squared
    // distance over red, green and blue; an exact match always wins (distance
    // 0), ties go to the lowest entry number.
    std::int32_t NearestIndex(std::uint8_t R, std::uint8_t G, std::uint8_t B) const noexcept;

    std::int32_t Count() const noexcept { return static_cast<std::int32_t>(rgb_.size() / 3); }

private:
    std::vector<std::uint8_t> rgb_; // red, green, blue per entry
};

} // namespace quillmere
