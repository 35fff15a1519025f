// Helpers of the widget tests: counting paints and reading grabbed pixels.
#pragma once

#include <QEvent>
#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QObject>
#include <QWidget>

namespace quillmere::testing {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// A mouse move with no button held, sent straight to the widget (QTest moves the
// platform cursor for those, which reports nothing when it is already there).
inline void Hover(QWidget* w, QPoint pos, Qt::MouseButtons held = Qt::NoButton)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::NoButton, held,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// The widget as it paints itself now, one image pixel a widget pixel.
inline QImage Grab(QWidget& w)
{
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// 0x00RRGGBB of a grabbed pixel.
inline unsigned Rgb(const QImage& img, int x, int y)
{
    return img.pixel(x, y) & 0xFFFFFFu;
}

} // namespace quillmere::testing
