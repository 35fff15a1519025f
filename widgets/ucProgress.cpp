#include "ucProgress.h"

#include "InvalidPropertyValue.h"
#include "KeyCodes.h"
#include "ProgressFill.h"
#include "SystemColours.h"

#include <QMouseEvent>
#include <QPainter>

namespace quillmere {

ucProgress::ucProgress(QWidget* parent) : QFrame(parent)
{
    setMouseTracking(true); // MouseMove is raised with no button held too
    ApplyBorder();
    Recompute();
}

void ucProgress::BorderStyle(std::int32_t style)
{
    borderStyle_ = style;
    ApplyBorder();
    Recompute();
    repaint();
}

void ucProgress::BackColor(std::uint32_t colour)
{
    if (!IsDrawableColour(colour))
        throw InvalidPropertyValueError();
    backColor_ = colour;
    repaint();
}

void ucProgress::ForeColor(std::uint32_t colour)
{
    if (!IsDrawableColour(colour))
        throw InvalidPropertyValueError();
    foreColor_ = colour;
    repaint();
}

void ucProgress::Max(std::int32_t max)
{
    if (max < 1)
        throw InvalidPropertyValueError();
    max_ = max;
}

void ucProgress::Value(std::int32_t value)
{
    value_ = value;
    const std::int32_t filled = quillmere::FilledWidth(contentsRect().width(), value_, max_);
    if (filled == remembered_)
        return;
    remembered_ = filled;
    filled_ = filled;
    repaint(contentsRect());
}

void ucProgress::ReadProperties(const QVariantMap& bag)
{
    auto colour = [&](const char* key, std::uint32_t fallback) {
        const std::uint32_t c = bag.value(QString::fromLatin1(key), fallback).toUInt();
        return IsDrawableColour(c) ? c : fallback;
    };
    borderStyle_ = bag.value(QStringLiteral("BorderStyle"), DefaultBorderStyle).toInt();
    backColor_ = colour("BackColor", DefaultBackColor);
    foreColor_ = colour("ForeColor", DefaultForeColor);
    max_ = std::max(1, bag.value(QStringLiteral("Max"), DefaultMax).toInt());
    setEnabled(bag.value(QStringLiteral("Enabled"), true).toBool());
    ApplyBorder();
    Recompute();
    update();
}

QVariantMap ucProgress::WriteProperties() const
{
    QVariantMap bag;
    if (borderStyle_ != DefaultBorderStyle)
        bag.insert(QStringLiteral("BorderStyle"), borderStyle_);
    if (backColor_ != DefaultBackColor)
        bag.insert(QStringLiteral("BackColor"), backColor_);
    if (foreColor_ != DefaultForeColor)
        bag.insert(QStringLiteral("ForeColor"), foreColor_);
    if (max_ != DefaultMax)
        bag.insert(QStringLiteral("Max"), max_);
    if (!isEnabled())
        bag.insert(QStringLiteral("Enabled"), false);
    return bag;
}

void ucProgress::ApplyBorder()
{
    switch (borderStyle_) {
    case 0:
        setFrameStyle(QFrame::NoFrame);
        break;
    case 1:
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(1);
        break;
    case 2:
        setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
        break;
    default:
        break; // other values leave the border as it is
    }
}

void ucProgress::Recompute()
{
    filled_ = quillmere::FilledWidth(contentsRect().width(), value_, max_);
}

void ucProgress::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    const QRect area = contentsRect();
    const QRect full(area.left(), area.top(), filled_, area.height());
    const QRect empty(area.left() + filled_, area.top(), area.width() - filled_, area.height());
    if (!full.isEmpty())
        p.fillRect(full, TranslateColour(foreColor_, palette()));
    if (!empty.isEmpty())
        p.fillRect(empty, TranslateColour(backColor_, palette()));
}

void ucProgress::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    Recompute(); // the remembered width stays: the next Value compares against it
}

namespace {

QPointF Inside(const QFrame& w, const QMouseEvent& e)
{
    return e.position() - QPointF(w.contentsRect().topLeft());
}

} // namespace

void ucProgress::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        pressedLeft_ = true;
    const QPointF p = Inside(*this, *event);
    emit MouseDown(ButtonMask(event->button()), ShiftMask(event->modifiers()), static_cast<float>(p.x()),
                   static_cast<float>(p.y()));
}

void ucProgress::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF p = Inside(*this, *event);
    emit MouseMove(ButtonMask(event->buttons()), ShiftMask(event->modifiers()), static_cast<float>(p.x()),
                   static_cast<float>(p.y()));
}

void ucProgress::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF p = Inside(*this, *event);
    emit MouseUp(ButtonMask(event->button()), ShiftMask(event->modifiers()), static_cast<float>(p.x()),
                 static_cast<float>(p.y()));
    if (event->button() == Qt::LeftButton && pressedLeft_) {
        pressedLeft_ = false;
        if (rect().contains(event->position().toPoint()))
            emit Click();
    }
}

} // namespace quillmere
