#include "HeaderPictures.h"

#include <QMouseEvent>
#include <QPainter>

namespace quillmere {

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) { setCursor(Qt::PointingHandCursor); }

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (onClick && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        onClick();
}

// The header's pictures, drawn rather than stored: the program's mark, the
// banner with the window's name and the web link's globe.
QPixmap HeaderPicture(std::string_view name, QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (name == "Image7") {
        // The program's mark: a monitor whose screen shows a logo coming up,
        // a band of colour rising from the bottom edge.
        p.setPen(QPen(QColor(0x20, 0x30, 0x80), 2));
        p.setBrush(QColor(0x10, 0x18, 0x40));
        p.drawRoundedRect(QRectF(3, 4, 42, 32), 4, 4);
        QLinearGradient dawn(0, 12, 0, 34);
        dawn.setColorAt(0, QColor(0x30, 0x60, 0xC0));
        dawn.setColorAt(1, QColor(0xF0, 0xA0, 0x30));
        p.setPen(Qt::NoPen);
        p.setBrush(dawn);
        p.drawRect(QRectF(7, 20, 34, 12));
        p.setBrush(QColor(0xFF, 0xE0, 0x80));
        p.drawEllipse(QPointF(24, 22), 5, 5);
        p.setBrush(QColor(0x20, 0x30, 0x80));
        p.drawRect(QRectF(20, 36, 8, 5));
        p.drawRoundedRect(QRectF(12, 41, 24, 4), 2, 2);
    } else if (name == "Image9") {
        QFont font = p.font();
        font.setPixelSize(30);
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(0x20, 0x30, 0x80));
        p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Logo Manager"));
    } else {
        p.setPen(QPen(QColor(0x20, 0x50, 0xD0), 2));
        p.drawEllipse(QRect(3, 3, 26, 26));
        p.drawEllipse(QRect(10, 3, 12, 26));
        p.drawLine(3, 16, 29, 16);
    }
    return pixmap;
}

} // namespace quillmere
