// The crop frame on the canvas: dragging it in crop mode, its context menu and
// the cropping.
#include "PainterDC.h"
#include "cFrame.h"
#include "imaging/Errors.h"
#include "ucCanvas.h"

#include <QMenu>

namespace quillmere {

namespace {

QRegion BorderRegion(const Rect32& r)
{
    if (r.IsEmpty())
        return {};
    const QRect outer(r.left, r.top, r.Width(), r.Height());
    return QRegion(outer) - QRegion(outer.adjusted(1, 1, -1, -1));
}

} // namespace

void ucCanvas::BuildCropMenu()
{
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("mnuCropTop"));
    QAction* crop = menu_->addAction(tr("Crop"));
    QAction* separator = menu_->addSeparator();
    QAction* remove = menu_->addAction(tr("Remove frame"));
    QAction* cancel = menu_->addAction(tr("Cancel"));
    int i = 0;
    for (QAction* a : {crop, separator, remove, cancel})
        a->setObjectName(QStringLiteral("mnuCrop_%1").arg(i++));
    connect(crop, &QAction::triggered, this, [this] { CropCommand(); });
    connect(remove, &QAction::triggered, this, [this] { RemoveFrameCommand(); });
}

void ucCanvas::CropPress(QPoint pos)
{
    frame().Init(0, 0, dib_.Width(), dib_.Height());
    RePaint();
    dragging_ = true;
    dragMode_ = CropMode;
    anchor_ = pos;
}

void ucCanvas::CropMove(QPoint pos)
{
    cFrame& f = frame();
    try {
        f.SetFrameRect(PictureX(anchor_.x()), PictureY(anchor_.y()), PictureX(pos.x()), PictureY(pos.y()), false);
    } catch (const Error&) {
        return; // a frame that cannot be scaled into 32 bits: keep the last one
    }
    Rect32 r;
    if (f.GetFrameRect(r.left, r.top, r.right, r.bottom, true)) {
        // Into picture-box coordinates. The scaled frame lies near the view, so
        // the shifts cannot overflow.
        r = {r.left - layout_.h.position, r.top - layout_.v.position, r.right - layout_.h.position,
             r.bottom - layout_.v.position};
        SetFocusRect(r);
    } else {
        SetFocusRect({-1, -1, -1, -1});
    }
}

void ucCanvas::CropRelease(Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return; // the drag belongs to the left button
    SetFocusRect({-1, -1, -1, -1});
    dragging_ = false;
    frame().Crop();
    RePaint();
}

void ucCanvas::ShowCropMenu(QPoint pos)
{
    if (!frame_ || frame_->IsFrameEmpty() || !frame_->IsPointInFrame(PictureX(pos.x()), PictureY(pos.y())))
        return;
    menu_->popup(iCanvas()->mapToGlobal(pos));
}

void ucCanvas::SetFocusRect(const Rect32& r)
{
    // The dotted rectangle is drawn by the next paint of the box (there is no
    // inverting draw on every platform); repainting the old one's place removes it.
    const QRegion dirty = BorderRegion(focus_) + BorderRegion(r);
    focus_ = r;
    if (!dirty.isEmpty())
        iCanvas()->update(dirty);
}

void ucCanvas::PaintCropMarks(PainterDC& dc)
{
    // While a crop drag is in progress only the dotted rectangle shows the frame.
    if (frame_ && !(dragging_ && dragMode_ == CropMode))
        frame_->PaintToDC(dc, -layout_.h.position, -layout_.v.position);
    if (!focus_.IsEmpty()) {
        const QColor oldBk = dc.SetBkColor(Qt::white);
        const QColor oldText = dc.SetTextColor(Qt::black);
        dc.FrameRect(focus_, QBrush(Qt::Dense4Pattern));
        dc.SetTextColor(oldText);
        dc.SetBkColor(oldBk);
    }
}

void ucCanvas::CropCommand()
{
    if (!frame_ || !dib_.hDIB())
        return;
    Rect32 f;
    if (!frame_->GetFrameRect(f.left, f.top, f.right, f.bottom))
        return;
    // The host may have put a smaller picture in since the frame was drawn: copy
    // only what lies inside the picture, and nothing when the frame is outside it.
    const Rect32 r{std::max(f.left, 0), std::max(f.top, 0), std::min(f.right, dib_.Width()),
                   std::min(f.bottom, dib_.Height())};
    if (r.IsEmpty()) {
        RemoveFrameCommand();
        return;
    }
    cDIB part;
    if (!part.Create(r.Width(), r.Height()))
        return; // no memory for the copy: the picture stays as it was
    part.LoadBlt(dib_.hDIBDC(), r.left, r.top);
    if (!dib_.Create(r.Width(), r.Height(), 0))
        return;
    dib_.LoadBlt(part.hDIBDC(), 0, 0);
    frame_->Clear();
    LayoutQuietly();
    emit Cropped();
}

void ucCanvas::RemoveFrameCommand()
{
    if (frame_)
        frame_->Clear();
    RePaint();
}

} // namespace quillmere
