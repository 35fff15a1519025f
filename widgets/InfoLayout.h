// Where the parts of the information strip lie.
#pragma once

#include "Rect32.h"

#include <array>
#include <cstdint>

namespace quillmere {

struct InfoLayout {
    static constexpr std::int32_t Height = 20;
    static constexpr std::int32_t GripSize = 20;

    Rect32 whole;
    Rect32 grip;                  // empty in a maximised window
    std::array<Rect32, 3> fields; // the sunken fields: path, size, file size
    std::array<Rect32, 3> texts;  // where their texts are drawn
};

// Field 2 is 100 pixels wide and field 3 64, left of the grip; field 1 takes the
// rest. Each text sits 4 pixels inside its field's sides and 2 below its top.
InfoLayout ComputeInfoLayout(std::int32_t width, bool maximised) noexcept;

} // namespace quillmere
