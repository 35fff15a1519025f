// A canvas on screen (offscreen) holding a picture whose every pixel names its
// own position, so a grabbed pixel tells which picture pixel was painted there.
#pragma once

#include "WidgetHelpers.h"
#include "widgets/SystemColours.h"
#include "widgets/ucCanvas.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cstring>

namespace quillmere::testing {

// 0x00XXXYYY: x in the upper twelve bits, y in the lower twelve.
constexpr std::uint32_t PixelAt(int x, int y)
{
    return static_cast<std::uint32_t>(x) << 12 | static_cast<std::uint32_t>(y);
}

inline void FillPositions(cDIB& dib, int w, int h)
{
    ASSERT_TRUE(dib.Create(w, h));
    auto* words = reinterpret_cast<std::uint32_t*>(dib.DIBitsPtr());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            words[y * w + x] = PixelAt(x, y);
}

struct CanvasOnScreen {
    ucCanvas canvas;
    QWidget* box = canvas.iCanvas();

    CanvasOnScreen(int picW, int picH, int w = 373, int h = 359, std::int32_t zoom = 1, bool fit = false)
    {
        canvas.resize(w, h);
        canvas.Zoom(zoom);
        canvas.FitMode(fit);
        if (picW > 0)
            FillPositions(canvas.DIB(), picW, picH);
        canvas.Resize();
        canvas.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    }

    unsigned Workspace() const
    {
        return TranslateColour(SystemColour(ColourAppWorkspace), canvas.palette()).rgb() & 0xFFFFFFu;
    }
    void Scroll(std::int32_t& hMax, std::int32_t& vMax, std::int32_t& hPos, std::int32_t& vPos) const
    {
        canvas.GetScrollInfo(hMax, vMax, hPos, vPos);
    }
};

} // namespace quillmere::testing
