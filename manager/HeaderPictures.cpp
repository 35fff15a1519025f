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
        const QColor colours[4] = {QColor(0xE0, 0x30, 0x20), QColor(0x30, 0xA0, 0x30), QColor(0x20, 0x50, 0xD0),
                                   QColor(0xF0, 0xC0, 0x10)};
        for (int i = 0; i < 4; ++i)
            p.fillRect(QRect(4 + (i % 2) * 21, 4 + (i / 2) * 21, 19, 19), colours[i]);
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
