#include "DrawingContext.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quillmere {

namespace {

std::uint32_t* row(const PixelView& v, std::int64_t y)
{
    return reinterpret_cast<std::uint32_t*>(v.bits) + y * v.width;
}

// The steps k (0 <= k < n) whose destination start + step * k lies in [0, limit):
// the loops of a scaled copy visit only what can be seen, however large the extent.
std::pair<std::int64_t, std::int64_t> VisibleSteps(std::int64_t start, std::int64_t step, std::int64_t n,
                                                   std::int64_t limit)
{
    const std::int64_t first = step > 0 ? -start : start - limit + 1;
    const std::int64_t last = step > 0 ? limit - start : start + 1;
    return {std::max<std::int64_t>(first, 0), std::min(last, n)};
}

bool sameBuffer(const PixelView& a, const PixelView& b)
{
    return a.bits != nullptr && a.bits == b.bits;
}

} // namespace

std::int64_t StretchSourceIndex(std::int64_t k, std::int64_t n, std::int32_t srcStart,
                                std::int32_t srcExtent) noexcept
{
    const std::int64_t m = ((2 * k + 1) * std::abs(static_cast<std::int64_t>(srcExtent))) / (2 * n);
    return srcExtent >= 0 ? srcStart + m : srcStart - 1 - m;
}

void PixelBufferDC::BitBlt(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                           const PixelView& src, std::int32_t xs, std::int32_t ys)
{
    if (target_.empty() || src.empty() || w <= 0 || h <= 0)
        return;
    // Clip against both pictures, in 64 bits so that no offset can wrap.
    std::int64_t dx0 = x, dy0 = y, sx0 = xs, sy0 = ys, cw = w, ch = h;
    auto clip = [](std::int64_t& d, std::int64_t& s, std::int64_t& n, std::int64_t dLim, std::int64_t sLim) {
        const std::int64_t shift = std::max({std::int64_t{0}, -d, -s});
        d += shift;
        s += shift;
        n -= shift;
        n = std::min({n, dLim - d, sLim - s});
    };
    clip(dx0, sx0, cw, target_.width, src.width);
    clip(dy0, sy0, ch, target_.height, src.height);
    if (cw <= 0 || ch <= 0)
        return;
    const auto bytes = static_cast<std::size_t>(cw) * 4;
    if (sameBuffer(src, target_) && dy0 > sy0) {
        for (std::int64_t r = ch - 1; r >= 0; --r)
            std::memmove(row(target_, dy0 + r) + dx0, row(src, sy0 + r) + sx0, bytes);
    } else {
        for (std::int64_t r = 0; r < ch; ++r)
            std::memmove(row(target_, dy0 + r) + dx0, row(src, sy0 + r) + sx0, bytes);
    }
}

void PixelBufferDC::StretchBlt(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                               const PixelView& srcIn, std::int32_t xs, std::int32_t ys,
                               std::int32_t ws, std::int32_t hs)
{
    if (target_.empty() || srcIn.empty() || w == 0 || h == 0 || ws == 0 || hs == 0)
        return;
    // Copying a picture onto itself reads the old pixels: take a copy first.
    PixelView src = srcIn;
    std::vector<std::uint32_t> copy;
    if (sameBuffer(srcIn, target_)) {
        copy.assign(row(srcIn, 0), row(srcIn, srcIn.height));
        src.bits = reinterpret_cast<std::uint8_t*>(copy.data());
    }
    const std::int64_t nw = std::abs(static_cast<std::int64_t>(w));
    const std::int64_t nh = std::abs(static_cast<std::int64_t>(h));
    const std::int64_t stepX = w > 0 ? 1 : -1;
    const std::int64_t stepY = h > 0 ? 1 : -1;

    // Source column of every destination column that lies inside both pictures.
    std::vector<std::pair<std::int64_t, std::int64_t>> cols; // destination, source
    const auto [k0, k1] = VisibleSteps(x, stepX, nw, target_.width);
    for (std::int64_t k = k0; k < k1; ++k) {
        const std::int64_t sx = StretchSourceIndex(k, nw, xs, ws);
        if (sx >= 0 && sx < src.width)
            cols.emplace_back(x + stepX * k, sx);
    }
    if (cols.empty())
        return;
    const auto [r0, r1] = VisibleSteps(y, stepY, nh, target_.height);
    for (std::int64_t k = r0; k < r1; ++k) {
        const std::int64_t dy = y + stepY * k;
        const std::int64_t sy = StretchSourceIndex(k, nh, ys, hs);
        if (sy < 0 || sy >= src.height)
            continue;
        std::uint32_t* d = row(target_, dy);
        const std::uint32_t* s = row(src, sy);
        for (const auto& [dx, sx] : cols)
            d[dx] = s[sx];
    }
}

void PixelBufferDC::FillRect(std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom, std::int32_t colour)
{
    if (target_.empty())
        return;
    const std::int64_t l = std::max<std::int64_t>(left, 0);
    const std::int64_t t = std::max<std::int64_t>(top, 0);
    const std::int64_t r = std::min<std::int64_t>(right, target_.width);
    const std::int64_t b = std::min<std::int64_t>(bottom, target_.height);
    if (l >= r || t >= b)
        return;
    const std::uint32_t px = PixelFromColour(colour);
    for (std::int64_t yy = t; yy < b; ++yy)
        std::fill(row(target_, yy) + l, row(target_, yy) + r, px);
}

} // namespace quillmere
