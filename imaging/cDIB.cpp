#include "cDIB.h"

#include "Clipboard.h"
#include "Errors.h"
#include "Numeric.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace quillmere {

namespace {
Clipboard* g_clipboard = nullptr;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// The whole pages of bytes at p are made present in one call. Only advice: a
// system without it (before Linux 5.14) faults them in one by one as before.
void Populate([[maybe_unused]] void* p, [[maybe_unused]] std::size_t bytes) noexcept
{
#ifdef MADV_POPULATE_WRITE
    constexpr std::uintptr_t kPage = 4096;
    // Below this a call costs about what the faults it saves do.
    constexpr std::size_t kWorthIt = 64 * 1024;
    const auto start = (reinterpret_cast<std::uintptr_t>(p) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(kPage - 1);
    if (end > start && end - start >= kWorthIt)
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#endif
}

} // namespace

void PixelMemoryFree::operator()(std::uint32_t* p) const noexcept { std::free(p); }

PixelMemory AllocatePixelMemory(std::size_t bytes, PixelFill fill) noexcept
{
    void* p = nullptr;
    if (bytes < 4 * kHugePage) {
        p = std::malloc(bytes == 0 ? 1 : bytes);
    } else {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        p = std::aligned_alloc(kHugePage, rounded);
#ifdef MADV_HUGEPAGE
        if (p)
            ::madvise(p, rounded, MADV_HUGEPAGE); // only advice: failure changes nothing
#endif
    }
    if (p && fill == PixelFill::Whole)
        Populate(p, bytes);
    return PixelMemory(static_cast<std::uint32_t*>(p));
}

Clipboard* SystemClipboard() noexcept { return g_clipboard; }
void SetSystemClipboard(Clipboard* clipboard) noexcept { g_clipboard = clipboard; }

cDIB::~cDIB() { Destroy(); }

bool cDIB::Create(std::int32_t NewWidth, std::int32_t NewHeight, std::int32_t BackColor)
{
    if (!CreateUnfilled(NewWidth, NewHeight))
        return false;
    dc_->FillRect(0, 0, NewWidth, NewHeight, BackColor & 0x00FFFFFF);
    return true;
}

bool cDIB::CreateUnfilled(std::int32_t NewWidth, std::int32_t NewHeight)
{
    Destroy();

    const std::int32_t size = checkedMul(checkedMul(NewWidth, 4, "picture size"), NewHeight, "picture size");
    BitmapInfoHeader h;
    h.biWidth = NewWidth;
    h.biHeight = checkedMul(NewHeight, -1, "picture size");
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biSizeImage = size;
    header_ = h;

    if (NewWidth <= 0 || NewHeight <= 0)
        return false;
    // Every caller fills the surface at once.
    bits_ = AllocatePixelMemory(static_cast<std::size_t>(size), PixelFill::Whole);
    if (!bits_)
        return false;
    dc_ = std::make_unique<PixelBufferDC>(view());
    return true;
}

void cDIB::LoadBlt(const DrawingContext* hSrcDC, std::int32_t x, std::int32_t y)
{
    if (!hDIB() || !hSrcDC)
        return;
    dc_->BitBlt(0, 0, Width(), Height(), hSrcDC->Pixels(), x, y);
}

void cDIB::LoadDIBBlt(const cDIB& DIB)
{
    if (!hDIB() || !DIB.hDIB())
        return;
    DIB.Stretch(hDIBDC(), 0, 0, Width(), Height(), 0, 0, DIB.Width(), DIB.Height(), ColorOnColor);
}

void cDIB::Paint(DrawingContext* hDstDC, std::int32_t x, std::int32_t y, std::int32_t ScaleFactor) const
{
    if (!hDIB() || !hDstDC)
        return;
    const std::int32_t w = checkedMul(Width(), ScaleFactor, "painted width");
    const std::int32_t h = checkedMul(Height(), ScaleFactor, "painted height");
    hDstDC->StretchBlt(x, y, w, h, view(), 0, 0, Width(), Height());
}

void cDIB::Stretch(DrawingContext* hDstDC, std::int32_t x, std::int32_t y, std::int32_t nWidth,
                   std::int32_t nHeight, std::int32_t xSrc, std::int32_t ySrc, std::int32_t nSrcWidth,
                   std::int32_t nSrcHeight, std::int32_t StretchColorMode) const
{
    if (!hDIB() || !hDstDC)
        return;
    const std::int32_t oldMode = hDstDC->SetStretchBltMode(StretchColorMode);
    hDstDC->StretchBlt(x, y, nWidth, nHeight, view(), xSrc, ySrc, nSrcWidth, nSrcHeight);
    hDstDC->SetStretchBltMode(oldMode);
}

void cDIB::Destroy() noexcept
{
    dc_.reset();
    bits_.reset();
}

PixelMemory cDIB::TakeBits() noexcept
{
    dc_.reset();
    return std::move(bits_);
}

void cDIB::CreateOrThrow(std::int32_t NewWidth, std::int32_t NewHeight)
{
    if (!CreateUnfilled(NewWidth, NewHeight))
        throw Error("Cannot make a picture of " + std::to_string(NewWidth) + " x " +
                    std::to_string(NewHeight) + " pixels" +
                    (NewWidth > 0 && NewHeight > 0 ? ": not enough memory" : ""));
}

void cDIB::GetBestFitInfo(std::int32_t DstW, std::int32_t DstH, std::int32_t& bfx, std::int32_t& bfy,
                          std::int32_t& bfW, std::int32_t& bfH, bool StretchFit) const
{
    bfx = 0;
    bfy = 0;
    const std::int32_t w = Width();
    const std::int32_t h = Height();
    if (w <= DstW && h <= DstH && !StretchFit) {
        bfW = w;
        bfH = h;
    } else {
        if (w == 0 || h == 0)
            throw DivisionByZeroError("Division by zero fitting a picture of width or height 0");
        // The ratios are single precision; the products are formed in double.
        const float sx = static_cast<float>(static_cast<double>(DstW) / w);
        const float sy = static_cast<float>(static_cast<double>(DstH) / h);
        if (sx < sy) {
            bfW = DstW;
            bfH = roundToInt(static_cast<double>(sx) * h);
        } else {
            bfH = DstH;
            bfW = roundToInt(static_cast<double>(sy) * w);
        }
    }
    bfx = checkedDiv(checkedAdd(DstW, checkedMul(bfW, -1)), 2);
    bfy = checkedDiv(checkedAdd(DstH, checkedMul(bfH, -1)), 2);
}

void cDIB::CopyToClipboard() const
{
    Clipboard* clipboard = SystemClipboard();
    if (!hDIB() || !clipboard || !clipboard->Open())
        return;
    struct Closer {
        Clipboard* c;
        ~Closer() { c->Close(); }
    } closer{clipboard};

    std::vector<std::uint32_t> copy;
    try {
        copy.assign(static_cast<std::size_t>(Size()) / 4, 0);
    } catch (const std::bad_alloc&) {
        return; // no bitmap to hand over; the clipboard keeps what it held
    }
    PixelBufferDC dc({reinterpret_cast<std::uint8_t*>(copy.data()), Width(), Height()});
    Paint(&dc, 0, 0, 1);
    clipboard->Empty();
    clipboard->SetBitmap(std::move(copy), Width(), Height());
}

} // namespace quillmere
