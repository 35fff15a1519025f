#include "ucCanvas.h"

#include "KeyCodes.h"
#include "PainterDC.h"
#include "SystemColours.h"
#include "cFrame.h"
#include "imaging/Errors.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <limits>

namespace quillmere {

// Receives the surface's progress events and raises them as the canvas's own.
class ucCanvas::Relay final : public ProgressObserver {
public:
    explicit Relay(ucCanvas& canvas) : canvas_(canvas) {}
    void Progress(std::int32_t index) override { emit canvas_.DIBProgress(index); }
    void ProgressEnd() override { emit canvas_.DIBProgressEnd(); }

private:
    ucCanvas& canvas_;
};

// The picture box: draws the visible part of the picture on demand, never keeps it.
class ucCanvas::PictureBox final : public QWidget {
public:
    explicit PictureBox(ucCanvas& canvas) : QWidget(&canvas), canvas_(canvas)
    {
        setObjectName(QStringLiteral("iCanvas"));
        setAttribute(Qt::WA_OpaquePaintEvent); // every paint covers what it exposes
        // Keys reach CanvasKeyDown after a click on the picture; Tab passes
        // the box by, as it shows no focus of its own.
        setFocusPolicy(Qt::ClickFocus);
        setMouseTracking(true); // a double click presses where the mouse was last seen
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        canvas_.PaintPicture(p, event->rect());
    }
    void mousePressEvent(QMouseEvent* e) override { canvas_.BoxPress(e->button(), e->position().toPoint()); }
    void mouseMoveEvent(QMouseEvent* e) override { canvas_.BoxMove(e->position().toPoint()); }
    void mouseReleaseEvent(QMouseEvent* e) override { canvas_.BoxRelease(e->button(), e->position().toPoint()); }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        canvas_.BoxDoubleClick(e->button(), e->position().toPoint());
    }
    void keyPressEvent(QKeyEvent* e) override { canvas_.BoxKey(e); }

private:
    ucCanvas& canvas_;
};

ucCanvas::ucCanvas(QWidget* parent)
    : QWidget(parent), relay_(std::make_unique<Relay>(*this)), box_(new PictureBox(*this))
{
    dib_.SetProgressObserver(relay_.get());
    setAttribute(Qt::WA_OpaquePaintEvent);
    box_->setGeometry(0, 0, 0, 0);
    BuildCropMenu();
}

ucCanvas::~ucCanvas()
{
    dib_.SetProgressObserver(nullptr);
}

QWidget* ucCanvas::iCanvas() const noexcept
{
    return box_;
}

cFrame& ucCanvas::frame()
{
    if (!frame_) {
        frame_ = std::make_unique<cFrame>();
        frame_->ScaleFactor(layout_.scaleFactor);
    }
    return *frame_;
}

void ucCanvas::RePaint()
{
    box_->repaint();
}

void ucCanvas::Resize()
{
    try {
        ApplyLayout(ComputeCanvasLayout(dib_, width(), height(), zoom_, fitMode_));
    } catch (const Error&) {
        ApplyLayout(CanvasLayout{});
        throw;
    }
}

void ucCanvas::LayoutQuietly() noexcept
{
    try {
        Resize();
    } catch (const Error&) {
        // Only a zoom that puts the picture beyond 32 bits gets here; the control
        // shows its background, and the host's own Resize reports the error.
    }
}

void ucCanvas::ApplyLayout(const CanvasLayout& layout)
{
    if (layout.picture && frame_)
        frame_->ScaleFactor(layout.scaleFactor);
    layout_ = layout;
    layoutZoom_ = fitMode_ ? 1 : zoom_;
    lastReported_ = {layout_.h.position, layout_.v.position};
    if (layout_.picture)
        box_->setGeometry(layout_.h.boxStart, layout_.v.boxStart, layout_.h.boxLength, layout_.v.boxLength);
    else
        box_->setGeometry(0, 0, 0, 0);
    update(); // the background around the box
    if (layout_.picture) {
        RePaint();
        emit ViewChanged();
    }
    UpdateCursor();
}

void ucCanvas::UpdateCursor()
{
    if (Scrolls() && workMode_ == PanMode)
        box_->setCursor(Qt::OpenHandCursor);
    else
        box_->unsetCursor();
}

void ucCanvas::GetScrollInfo(std::int32_t& lHMax, std::int32_t& lVMax, std::int32_t& lHPos,
                             std::int32_t& lVPos) const noexcept
{
    lHMax = layout_.h.maximum;
    lVMax = layout_.v.maximum;
    lHPos = layout_.h.position;
    lVPos = layout_.v.position;
}

void ucCanvas::SetScrollInfo(std::int32_t lHPos, std::int32_t lVPos)
{
    layout_.h.position = std::clamp(lHPos, 0, layout_.h.maximum);
    layout_.v.position = std::clamp(lVPos, 0, layout_.v.maximum);
    lastReported_ = {layout_.h.position, layout_.v.position};
    RePaint();
}

void ucCanvas::GetVisibleRect(std::int32_t& x1, std::int32_t& y1, std::int32_t& x2,
                              std::int32_t& y2) const noexcept
{
    const Rect32 r = VisiblePictureRect(layout_, layoutZoom_);
    x1 = r.left;
    y1 = r.top;
    x2 = r.right;
    y2 = r.bottom;
}

void ucCanvas::RemoveCropRectangle() noexcept
{
    if (frame_)
        frame_->Clear();
}

void ucCanvas::WorkMode(std::int32_t Mode)
{
    if (Mode == PanMode && frame_ && !frame_->IsFrameEmpty()) {
        frame_->Clear();
        box_->update(); // take the removed frame off the screen
    }
    workMode_ = Mode;
    UpdateCursor();
}

void ucCanvas::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutQuietly();
}

void ucCanvas::paintEvent(QPaintEvent* event)
{
    // The application workspace around the box.
    QPainter p(this);
    const QRegion around = event->region() - QRegion(box_->geometry());
    const QColor workspace = TranslateColour(SystemColour(ColourAppWorkspace), palette());
    for (const QRect& r : around)
        p.fillRect(r, workspace);
}

void ucCanvas::PaintPicture(QPainter& painter, const QRect& exposed)
{
    if (!layout_.picture || !dib_.hDIB())
        return;
    painter.setClipRect(exposed);
    const PaintAxis ax = ComputePaintAxis(box_->width(), dib_.Width(), layoutZoom_, layout_.h.position,
                                          layout_.h.maximum != 0);
    const PaintAxis ay = ComputePaintAxis(box_->height(), dib_.Height(), layoutZoom_, layout_.v.position,
                                          layout_.v.maximum != 0);
    auto fits = [](const PaintAxis& a) {
        constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
        return a.dstLength <= hi && a.srcLength <= hi;
    };
    PainterDC dc(painter);
    if (!fits(ax) || !fits(ay)) {
        // A zoom so large that two pixels span more than 32 bits: nothing to show.
        painter.fillRect(exposed, TranslateColour(SystemColour(ColourAppWorkspace), palette()));
        return;
    }
    auto i32 = [](std::int64_t v) { return static_cast<std::int32_t>(v); };
    dib_.Stretch(&dc, i32(ax.dstStart), i32(ay.dstStart), i32(ax.dstLength), i32(ay.dstLength), i32(ax.srcStart),
                 i32(ay.srcStart), i32(ax.srcLength), i32(ay.srcLength), ColorOnColor);
    PaintCropMarks(dc);
}

void ucCanvas::BoxPress(Qt::MouseButton button, QPoint pos)
{
    lastMouse_ = pos;
    if (!dib_.hDIB() || !layout_.picture)
        return; // an empty canvas ignores the mouse
    if (workMode_ == PanMode) {
        if (Scrolls())
            box_->setCursor(Qt::ClosedHandCursor);
        if (button == Qt::LeftButton) {
            dragging_ = true;
            dragMode_ = PanMode;
            last_ = pos;
        }
    } else if (workMode_ == CropMode && button == Qt::LeftButton) {
        CropPress(pos);
    }
    if (button == Qt::RightButton)
        ShowCropMenu(pos);
}

void ucCanvas::BoxMove(QPoint pos)
{
    lastMouse_ = pos;
    if (!dragging_)
        return;
    if (dragMode_ == CropMode) {
        CropMove(pos);
        return;
    }
    AxisView& h = layout_.h;
    AxisView& v = layout_.v;
    h.position = PanPosition(last_.x(), pos.x(), h.position, h.maximum);
    v.position = PanPosition(last_.y(), pos.y(), v.position, v.maximum);
    last_ = pos;
    if (h.position == lastReported_.x() && v.position == lastReported_.y())
        return;
    RePaint();
    emit ViewChanged();
    lastReported_ = {h.position, v.position};
}

void ucCanvas::BoxRelease(Qt::MouseButton button, QPoint pos)
{
    lastMouse_ = pos;
    if (dragging_ && dragMode_ == CropMode) {
        CropRelease(button);
        return;
    }
    if (workMode_ == PanMode && Scrolls())
        box_->setCursor(Qt::OpenHandCursor);
    // A drag belongs to the left button: another button's release does not end it.
    if (button == Qt::LeftButton)
        dragging_ = false;
}

void ucCanvas::BoxDoubleClick(Qt::MouseButton button, QPoint pos)
{
    // The release that follows a double click pairs with a press: make one, at
    // the position the mouse was last seen.
    if (button == Qt::LeftButton)
        BoxPress(Qt::LeftButton, lastMouse_);
    else
        BoxPress(button, pos);
}

void ucCanvas::BoxKey(QKeyEvent* event)
{
    event->ignore();
    if (dragging_)
        return;
    std::int16_t key = VirtualKeyFromQt(event->key(), event->modifiers());
    std::int16_t shift = ShiftMask(event->modifiers());
    const std::int16_t before = key;
    emit CanvasKeyDown(key, shift);
    if (before != 0 && key == 0)
        event->accept();
}

void ucCanvas::mousePressEvent(QMouseEvent* event)
{
    BoxPress(event->button(), event->position().toPoint() - box_->pos());
}

void ucCanvas::mouseMoveEvent(QMouseEvent* event)
{
    BoxMove(event->position().toPoint() - box_->pos());
}

void ucCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    BoxRelease(event->button(), event->position().toPoint() - box_->pos());
}

void ucCanvas::mouseDoubleClickEvent(QMouseEvent* event)
{
    BoxDoubleClick(event->button(), event->position().toPoint() - box_->pos());
}

std::int32_t ucCanvas::PictureX(std::int32_t x) const
{
    return PictureCoordinate(layout_.h.position, x, frame_ ? frame_->ScaleFactor() : layout_.scaleFactor);
}

std::int32_t ucCanvas::PictureY(std::int32_t y) const
{
    return PictureCoordinate(layout_.v.position, y, frame_ ? frame_->ScaleFactor() : layout_.scaleFactor);
}

} // namespace quillmere
