#include "palette/IndexCube.h"

#include "imaging/Errors.h"

namespace quillmere {

std::int16_t IndexCube::Search(std::int32_t r4, std::int32_t g4, std::int32_t b4) const
{
    if (!lookup_)
        throw OverflowError("The palette has no lookup palette, so no nearest entry can be found");
    const std::int32_t i = lookup_->NearestIndex(static_cast<std::uint8_t>(17 * r4),
                                                 static_cast<std::uint8_t>(17 * g4),
                                                 static_cast<std::uint8_t>(17 * b4));
    if (i < 0 || i > 255)
        throw OverflowError("The nearest-colour search gave no entry number");
    return static_cast<std::int16_t>(i);
}

void IndexCube::FillAll()
{
    for (std::int32_t r4 = 0; r4 < 16; ++r4)
        for (std::int32_t g4 = 0; g4 < 16; ++g4)
            for (std::int32_t b4 = 0; b4 < 16; ++b4)
                At(r4, g4, b4);
}

} // namespace quillmere
