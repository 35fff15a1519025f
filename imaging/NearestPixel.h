// The nearest-pixel rule of cDIB::Resize, for those that scale the same way
// without a surface to resize: the fitted logo, and a picture scaled while it
// is decoded.
#pragma once

#include <cstdint>
#include <vector>

namespace quillmere {

// For each of newSize columns (or rows), the one of oldSize it takes, corners
// on corners: round(i * (oldSize - 1) / (newSize - 1)), the ratio formed in
// double and kept in single precision, the product likewise, halves to even,
// clamped to the last. The indices never decrease. Both sizes at least 1.
std::vector<std::int32_t> NearestSourceIndices(std::int32_t oldSize, std::int32_t newSize);

} // namespace quillmere
