// Resize (nearest pixel) and Resample (bilinear): the picture is stretched to
// exactly the new size with its corners on the corners.
#include "cDIB.h"

#include "NearestPixel.h"
#include "Numeric.h"

#include <cmath>
#include <vector>

namespace quillmere {

namespace {

// (old - 1) / (new - 1), or old - 1 when new is 1; formed in double, kept in single precision.
float ScaleStep(std::int32_t oldSize, std::int32_t newSize)
{
    const double divisor = newSize == 1 ? 1.0 : static_cast<double>(newSize) - 1.0;
    return static_cast<float>((static_cast<double>(oldSize) - 1.0) / divisor);
}

// Source position of new column (or row) i: the product in double, kept in single precision.
float SourcePosition(float step, std::int32_t i)
{
    return static_cast<float>(static_cast<double>(step) * i);
}

// Single-precision positions of very wide pictures can land a fraction past the
// last pixel; they read the last pixel, as the corners-on-corners rule means.
std::int32_t ClampIndex(std::int32_t i, std::int32_t size)
{
    return i < size ? i : size - 1;
}

// The reserved byte of every new pixel stays 0.
constexpr std::uint32_t kColourBits = 0x00FFFFFFu;

} // namespace

std::vector<std::int32_t> NearestSourceIndices(std::int32_t oldSize, std::int32_t newSize)
{
    const float step = ScaleStep(oldSize, newSize);
    std::vector<std::int32_t> index(static_cast<std::size_t>(newSize));
    for (std::int32_t i = 0; i < newSize; ++i)
        index[static_cast<std::size_t>(i)] = ClampIndex(roundToInt(SourcePosition(step, i)), oldSize);
    return index;
}

void cDIB::Resize(std::int32_t NewWidth, std::int32_t NewHeight)
{
    if (!hDIB())
        return;
    const std::int32_t W = Width();
    const std::int32_t H = Height();
    if (NewWidth == W && NewHeight == H) {
        // Every pixel maps onto itself (a step of exactly 1, or 0 for a single
        // column or row): only the reserved bytes change, in place, with no
        // second buffer. A fresh context, as a new surface would have.
        std::uint32_t* row = words();
        for (std::int32_t y = 0; y < H; ++y, row += W) {
            for (std::int32_t x = 0; x < W; ++x)
                row[x] &= kColourBits;
            RaiseProgress(y);
        }
        dc_ = std::make_unique<PixelBufferDC>(view());
        RaiseProgressEnd();
        return;
    }
    // The old picture is released anyway: its buffer becomes the temporary copy.
    const PixelMemory T = TakeBits();
    CreateOrThrow(NewWidth, NewHeight);

    // The source column of each new column is the same on every row.
    const std::vector<std::int32_t> sxOf = NearestSourceIndices(W, NewWidth);
    const std::vector<std::int32_t> syOf = NearestSourceIndices(H, NewHeight);

    std::uint32_t* dst = words();
    for (std::int32_t y = 0; y < NewHeight; ++y) {
        const std::uint32_t* src = T.get() + static_cast<std::size_t>(syOf[static_cast<std::size_t>(y)]) * W;
        std::uint32_t* out = dst + static_cast<std::size_t>(y) * NewWidth;
        for (std::int32_t x = 0; x < NewWidth; ++x)
            out[x] = src[sxOf[x]] & kColourBits;
        RaiseProgress(y);
    }
    RaiseProgressEnd();
}

void cDIB::Resample(std::int32_t NewWidth, std::int32_t NewHeight)
{
    if (!hDIB())
        return;
    const std::int32_t W = Width();
    const std::int32_t H = Height();
    const PixelMemory T = TakeBits();
    CreateOrThrow(NewWidth, NewHeight);

    const float xStep = ScaleStep(W, NewWidth);
    const float yStep = ScaleStep(H, NewHeight);
    struct Column {
        std::int32_t ix;
        std::int32_t xInc;
        double dx;
    };
    std::vector<Column> cols(static_cast<std::size_t>(NewWidth));
    for (std::int32_t x = 0; x < NewWidth; ++x) {
        const float fx = SourcePosition(xStep, x);
        const double ix = std::floor(fx);
        Column& c = cols[x];
        c.ix = ClampIndex(static_cast<std::int32_t>(ix), W);
        c.dx = static_cast<float>(fx - ix);
        c.xInc = (W > 1 && x < NewWidth - 1 && c.ix + 1 < W) ? 1 : 0;
    }

    const auto* tb = reinterpret_cast<const std::uint8_t*>(T.get());
    std::uint8_t* db = DIBitsPtr();
    for (std::int32_t y = 0; y < NewHeight; ++y) {
        const float fy = SourcePosition(yStep, y);
        const double iyf = std::floor(fy);
        const std::int32_t iy = ClampIndex(static_cast<std::int32_t>(iyf), H);
        const double dy = static_cast<float>(fy - iyf);
        const std::int32_t yInc = (H > 1 && y < NewHeight - 1 && iy + 1 < H) ? 1 : 0;
        const std::uint8_t* rowA = tb + static_cast<std::size_t>(iy) * W * 4;
        const std::uint8_t* rowP = tb + static_cast<std::size_t>(iy + yInc) * W * 4;
        std::uint8_t* out = db + static_cast<std::size_t>(y) * NewWidth * 4;
        for (std::int32_t x = 0; x < NewWidth; ++x) {
            const Column& c = cols[x];
            const std::size_t ia = static_cast<std::size_t>(c.ix) * 4;
            const std::size_t ib = static_cast<std::size_t>(c.ix + c.xInc) * 4;
            for (int ch = 0; ch < 3; ++ch) {
                // Vertical first, per source column; each column result is rounded.
                const double left = std::nearbyint((1.0 - dy) * rowA[ia + ch] + dy * rowP[ia + ch]);
                const double right = std::nearbyint((1.0 - dy) * rowA[ib + ch] + dy * rowP[ib + ch]);
                out[x * 4 + ch] = roundToByte((1.0 - c.dx) * left + c.dx * right);
            }
            out[x * 4 + 3] = 0;
        }
        RaiseProgress(y);
    }
    RaiseProgressEnd();
}

} // namespace quillmere
