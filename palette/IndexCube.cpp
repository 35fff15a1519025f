#include "palette/IndexCube.h"

#include "imaging/Errors.h"

#include <cstring>
#include <string>

namespace quillmere {

IndexCube::IndexCube(const LookupPalette* lookup, const std::uint8_t* entries, std::int32_t count) noexcept
    : lookup_(lookup), entries_(entries), count_(count)
{
    for (std::int32_t v = 0; v < 256; ++v) {
        const std::int32_t level = Level(static_cast<std::uint8_t>(v));
        red_[v] = level << 8;
        green_[v] = level << 4;
        blue_[v] = level;
    }
    cells_.fill(Cell{{0, 0, 0, 0}, -1});
}

void IndexCube::Search(Cell& c, std::int32_t cell) const
{
    if (!lookup_)
        throw OverflowError("The palette has no lookup palette, so no nearest entry can be found");
    const std::int32_t i = lookup_->NearestIndex(static_cast<std::uint8_t>(17 * (cell >> 8)),
                                                 static_cast<std::uint8_t>(17 * ((cell >> 4) & 15)),
                                                 static_cast<std::uint8_t>(17 * (cell & 15)));
    if (i < 0 || i > 255)
        throw OverflowError("The nearest-colour search gave no entry number");
    if (i >= count_)
        throw SubscriptError("Palette entry " + std::to_string(i) + " does not exist (the palette has "
                             + std::to_string(count_) + " entries)");
    std::memcpy(c.entry.data(), entries_ + static_cast<std::size_t>(i) * 4, 4);
    c.index = i;
}

void IndexCube::FillAll()
{
    for (std::int32_t cell = 0; cell < 4096; ++cell)
        At(cell);
}

} // namespace quillmere
