// A rectangle as the drawing layer counts it: right and bottom are excluded, and
// a rectangle with right <= left or bottom <= top is empty.
#pragma once

#include <cstdint>

namespace quillmere {

struct Rect32 {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool IsEmpty() const noexcept { return right <= left || bottom <= top; }
    std::int32_t Width() const noexcept { return right - left; }
    std::int32_t Height() const noexcept { return bottom - top; }
    friend bool operator==(const Rect32&, const Rect32&) = default;
};

} // namespace quillmere
