#include "InfoLayout.h"

namespace quillmere {

InfoLayout ComputeInfoLayout(std::int32_t width, bool maximised) noexcept
{
    const std::int32_t H = InfoLayout::Height;
    const std::int32_t grip = maximised ? 0 : InfoLayout::GripSize;
    InfoLayout l;
    l.whole = {0, 0, width, H};
    l.grip = {width - grip, 0, width, H};
    l.fields[0] = {0, 2, width - 164 - grip, H};
    l.fields[1] = {width - 164 - grip, 2, width - 64 - grip, H};
    l.fields[2] = {width - 64 - grip, 2, width - grip, H};
    for (std::size_t i = 0; i < 3; ++i) {
        const Rect32& f = l.fields[i];
        l.texts[i] = {f.left + 4, f.top + 2, f.right - 4, f.bottom};
    }
    return l;
}

} // namespace quillmere
