// The picture-viewing control. It owns the picture being edited (DIB), shows it
// in the picture box iCanvas at a whole zoom factor or fitted to the control,
// centres a picture smaller than the control and lets the user pan a larger one
// by dragging it (work mode 0), or drag a crop frame over it and apply it from a
// context menu (work mode 1). The surface's progress events leave the control,
// synchronously, as DIBProgress and DIBProgressEnd.
#pragma once

#include "CanvasLayout.h"
#include "imaging/cDIB.h"

#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <memory>

class QMenu;

namespace quillmere {

class cFrame;
class PainterDC;

class ucCanvas : public QWidget {
    Q_OBJECT

public:
    static constexpr std::int32_t PanMode = 0;
    static constexpr std::int32_t CropMode = 1;

    explicit ucCanvas(QWidget* parent = nullptr);
    ~ucCanvas() override;

    // The picture. After loading a new one the host calls Resize (or RePaint
    // when the size did not change).
    cDIB& DIB() noexcept { return dib_; }
    const cDIB& DIB() const noexcept { return dib_; }

    // Paints the picture box now.
    void RePaint();
    // Lays the view out again: box, scroll ranges (the view starts at the middle
    // of the picture), background, paint, ViewChanged, cursor. Throws
    // OverflowError when the zoomed picture is beyond 32 bits; the control then
    // shows only its background.
    void Resize();
    void GetScrollInfo(std::int32_t& lHMax, std::int32_t& lVMax, std::int32_t& lHPos,
                       std::int32_t& lVPos) const noexcept;
    // Each position is held to 0 ... its maximum; then RePaint.
    void SetScrollInfo(std::int32_t lHPos, std::int32_t lVPos);
    // The picture area in view, in picture pixels.
    void GetVisibleRect(std::int32_t& x1, std::int32_t& y1, std::int32_t& x2, std::int32_t& y2) const noexcept;
    // Clears the crop frame without repainting.
    void RemoveCropRectangle() noexcept;

    // Values below 1 become 1; takes effect at the next Resize.
    std::int32_t Zoom() const noexcept { return zoom_; }
    void Zoom(std::int32_t Factor) noexcept { zoom_ = ClampZoom(Factor); }
    // 0 pan, 1 crop, anything else: no mouse action but the context menu.
    std::int32_t WorkMode() const noexcept { return workMode_; }
    void WorkMode(std::int32_t Mode);
    // Takes effect at the next Resize.
    bool FitMode() const noexcept { return fitMode_; }
    void FitMode(bool Enable) noexcept { fitMode_ = Enable; }
    bool Enabled() const { return isEnabled(); }
    void Enabled(bool Enable) { setEnabled(Enable); }

    // The picture box, the crop menu and the frame (null before first use).
    QWidget* iCanvas() const noexcept;
    QMenu* mnuCropTop() const noexcept { return menu_; }
    const cFrame* Frame() const noexcept { return frame_.get(); }
    const CanvasLayout& Layout() const noexcept { return layout_; }

signals:
    void DIBProgress(std::int32_t row);
    void DIBProgressEnd();
    // A key went down in the picture box while no drag is in progress: its
    // virtual-key code and shift mask. A handler that sets KeyCode to 0 keeps the
    // key from the rest of the window.
    void CanvasKeyDown(std::int16_t& KeyCode, std::int16_t& Shift);
    // After every layout with a picture, and after a pan step that moved the view.
    void ViewChanged();
    // After "Crop" replaced the picture.
    void Cropped();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Presses in the margin around a small picture count as presses on the box.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    class PictureBox;
    class Relay;
    friend class PictureBox;

    void ApplyLayout(const CanvasLayout& layout);
    void LayoutQuietly() noexcept;
    void UpdateCursor();
    bool Scrolls() const noexcept { return layout_.h.maximum != 0 || layout_.v.maximum != 0; }
    cFrame& frame();
    std::int32_t PictureX(std::int32_t x) const;
    std::int32_t PictureY(std::int32_t y) const;

    // The picture box's events, in box coordinates.
    void PaintPicture(QPainter& painter, const QRect& exposed);
    void BoxPress(Qt::MouseButton button, QPoint pos);
    void BoxMove(QPoint pos);
    void BoxRelease(Qt::MouseButton button, QPoint pos);
    void BoxDoubleClick(Qt::MouseButton button, QPoint pos);
    void BoxKey(QKeyEvent* event);

    // Crop mode (ucCanvasCrop.cpp).
    void BuildCropMenu();
    void CropPress(QPoint pos);
    void CropMove(QPoint pos);
    void CropRelease(Qt::MouseButton button);
    void ShowCropMenu(QPoint pos);
    void SetFocusRect(const Rect32& r);
    void PaintCropMarks(PainterDC& dc);
    void CropCommand();
    void RemoveFrameCommand();

    std::unique_ptr<Relay> relay_;
    cDIB dib_;
    PictureBox* box_ = nullptr;
    QMenu* menu_ = nullptr;
    std::unique_ptr<cFrame> frame_;

    std::int32_t zoom_ = 1;
    std::int32_t workMode_ = PanMode;
    bool fitMode_ = false;
    CanvasLayout layout_;
    std::int32_t layoutZoom_ = 1; // the zoom the view shows until the next layout

    bool dragging_ = false;
    std::int32_t dragMode_ = PanMode;
    QPoint last_;       // press or last pan step
    QPoint lastMouse_;  // any mouse event on the box
    QPoint anchor_;     // press of a crop drag
    Rect32 focus_{-1, -1, -1, -1};
    QPoint lastReported_;
};

} // namespace quillmere
