// Painting the canvas: one full repaint at actual size and at zoom 4, and one pan
// step, on the offscreen platform.
#include "widgets/ucCanvas.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

namespace {

using quillmere::ucCanvas;

void FillPicture(quillmere::cDIB& dib, int w, int h)
{
    dib.Create(w, h);
    auto* words = reinterpret_cast<std::uint32_t*>(dib.DIBitsPtr());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            words[y * w + x] = static_cast<std::uint32_t>(x * 0x010101 ^ y * 0x030507) & 0xFFFFFFu;
}

// Renders the whole canvas, background and picture box, into an image per iteration.
void CanvasPaint(benchmark::State& state, int picW, int picH, int zoom)
{
    ucCanvas canvas;
    canvas.resize(640, 480);
    canvas.Zoom(zoom);
    FillPicture(canvas.DIB(), picW, picH);
    canvas.Resize();
    QImage target(canvas.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        canvas.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480);
}

void BM_CanvasPaint_640x480_Zoom1(benchmark::State& state) { CanvasPaint(state, 640, 480, 1); }
void BM_CanvasPaint_320x400_Zoom4(benchmark::State& state) { CanvasPaint(state, 320, 400, 4); }

// One step of a drag on a shown canvas: the mouse event, the new position and
// the synchronous repaint of the picture box.
void BM_CanvasPanStep_1280x960_In640x480(benchmark::State& state)
{
    ucCanvas canvas;
    canvas.resize(640, 480);
    FillPicture(canvas.DIB(), 1280, 960);
    canvas.Resize();
    canvas.show();
    QApplication::processEvents();
    QWidget* box = canvas.iCanvas();
    auto send = [box](QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, pos, box->mapToGlobal(pos), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(box, &e);
    };
    send(QEvent::MouseButtonPress, QPointF(320, 240), Qt::LeftButton, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        // Back and forth by 8 pixels, so that every step moves the view.
        const double x = 320 + ((step++ & 1) ? 8 : 0);
        send(QEvent::MouseMove, QPointF(x, 240), Qt::NoButton, Qt::LeftButton);
    }
    send(QEvent::MouseButtonRelease, QPointF(320, 240), Qt::LeftButton, Qt::NoButton);
}

} // namespace

BENCHMARK(BM_CanvasPaint_640x480_Zoom1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CanvasPaint_320x400_Zoom4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CanvasPanStep_1280x960_In640x480)->Unit(benchmark::kMicrosecond);
