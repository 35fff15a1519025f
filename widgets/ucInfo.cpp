#include "ucInfo.h"

#include "SystemColours.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSizeGrip>
#include <QToolTip>
#include <QWindow>

namespace quillmere {

namespace {

QRect ToQRect(const Rect32& r)
{
    return QRect(r.left, r.top, r.Width(), r.Height());
}

// A thin sunken edge along the inside of r: shadow on the top and left, light on
// the bottom and right.
void DrawSunkenEdge(QPainter& p, const Rect32& r, const QPalette& pal)
{
    if (r.IsEmpty())
        return;
    const QColor shadow = TranslateColour(SystemColour(ColourButtonShadow), pal);
    const QColor light = TranslateColour(SystemColour(ColourButtonHighlight), pal);
    const int w = r.Width(), h = r.Height();
    p.fillRect(r.left, r.top, w, 1, shadow);
    p.fillRect(r.left, r.top, 1, h, shadow);
    p.fillRect(r.left, r.bottom - 1, w, 1, light);
    p.fillRect(r.right - 1, r.top + 1, 1, h - 1, light);
}

} // namespace

ucInfo::ucInfo(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(InfoLayout::Height);
    setMouseTracking(true); // the grip's cursor follows the mouse without a button held
    layout_ = ComputeInfoLayout(width(), false);
}

void ucInfo::TextFile(const QString& New_TextFile, const QString& whole) { SetText(FileField, New_TextFile, whole); }
void ucInfo::TextInfo(const QString& New_TextInfo, const QString& whole) { SetText(InfoField, New_TextInfo, whole); }
void ucInfo::TextZoom(const QString& New_TextZoom, const QString& whole) { SetText(ZoomField, New_TextZoom, whole); }

void ucInfo::SetText(Field field, const QString& text, const QString& whole)
{
    texts_[field] = text;
    wholes_[field] = whole.isEmpty() || whole == text ? QString() : whole;
    update(ToQRect(layout_.fields[static_cast<std::size_t>(field)]));
}

const QString& ucInfo::WholeText(Field field) const noexcept
{
    return wholes_[field].isNull() ? texts_[field] : wholes_[field];
}

int ucInfo::FieldAt(QPoint at) const noexcept
{
    for (std::size_t i = 0; i < layout_.fields.size(); ++i)
        if (!layout_.fields[i].IsEmpty() && ToQRect(layout_.fields[i]).contains(at))
            return static_cast<int>(i);
    return -1;
}

QString ucInfo::ToolTipAt(QPoint at) const
{
    const int i = FieldAt(at);
    if (i < 0)
        return {};
    const auto field = static_cast<Field>(i);
    const bool clipped =
        fontMetrics().horizontalAdvance(texts_[field]) > layout_.texts[static_cast<std::size_t>(i)].Width();
    return !wholes_[field].isNull() || clipped ? WholeText(field) : QString();
}

bool ucInfo::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = ToolTipAt(help->pos());
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        // Gone as the pointer leaves the field.
        const Rect32& field = layout_.fields[static_cast<std::size_t>(FieldAt(help->pos()))];
        QToolTip::showText(help->globalPos(), tip, this, ToQRect(field));
    }
    return true;
}

std::int32_t ucInfo::FieldTextWidth(Field field) const noexcept
{
    return std::max(0, layout_.texts[static_cast<std::size_t>(field)].Width());
}

void ucInfo::Relayout()
{
    if (height() != InfoLayout::Height)
        resize(width(), InfoLayout::Height);
    layout_ = ComputeInfoLayout(width(), window()->isMaximized());
    if (layout_.grip.IsEmpty() && !resizing_)
        unsetCursor();
    update();
    emit Resized();
}

bool ucInfo::InGrip(int x) const noexcept
{
    return !layout_.grip.IsEmpty() && x >= layout_.grip.left;
}

void ucInfo::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

void ucInfo::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The grip comes and goes with the holding window's maximised state.
    if (watchedWindow_ != window()) {
        if (watchedWindow_)
            watchedWindow_->removeEventFilter(this);
        watchedWindow_ = window();
        if (watchedWindow_ != this)
            watchedWindow_->installEventFilter(this);
    }
    Relayout();
}

bool ucInfo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == watchedWindow_ && event->type() == QEvent::WindowStateChange)
        Relayout();
    return QWidget::eventFilter(watched, event);
}

void ucInfo::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && window() == this)
        Relayout();
}

void ucInfo::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(ToQRect(layout_.whole), TranslateColour(SystemColour(ColourButtonFace), pal));
    if (!layout_.fields[0].IsEmpty())
        p.fillRect(ToQRect(layout_.fields[0]), TranslateColour(SystemColour(ColourWindow), pal));
    for (const Rect32& f : layout_.fields)
        DrawSunkenEdge(p, f, pal);

    if (!layout_.grip.IsEmpty()) {
        QStyleOptionSizeGrip grip;
        grip.initFrom(this);
        grip.rect = ToQRect(layout_.grip);
        grip.corner = Qt::BottomRightCorner;
        style()->drawControl(QStyle::CE_SizeGrip, &grip, &p, this);
    }

    const std::uint32_t colours[3] = {SystemColour(ColourWindowText), SystemColour(ColourButtonText),
                                      SystemColour(ColourButtonText)};
    for (std::size_t i = 0; i < 3; ++i) {
        const Rect32& r = layout_.texts[i];
        if (r.IsEmpty() || texts_[i].isEmpty())
            continue;
        p.setPen(TranslateColour(colours[i], pal));
        // drawText clips to the rectangle and adds no ellipsis.
        p.drawText(ToQRect(r), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, texts_[i]);
    }
}

void ucInfo::mouseMoveEvent(QMouseEvent* event)
{
    if (resizing_) {
        const QPointF d = event->globalPosition() - pressGlobal_;
        window()->resize(pressSize_ + QSize(qRound(d.x()), qRound(d.y())));
        return;
    }
    if (InGrip(qFloor(event->position().x())))
        setCursor(Qt::SizeFDiagCursor);
    else
        unsetCursor();
}

void ucInfo::mousePressEvent(QMouseEvent* event)
{
    if (!InGrip(qFloor(event->position().x())))
        return;
    // The platform resizes the window from its bottom-right corner; where it will
    // not, the strip follows the mouse itself until the button comes up.
    QWindow* handle = window()->windowHandle();
    if (handle && handle->startSystemResize(Qt::BottomEdge | Qt::RightEdge))
        return;
    resizing_ = true;
    pressGlobal_ = event->globalPosition();
    pressSize_ = window()->size();
}

void ucInfo::mouseReleaseEvent(QMouseEvent*)
{
    resizing_ = false;
}

} // namespace quillmere
