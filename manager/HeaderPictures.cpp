#include "HeaderPictures.h"

#include <QMouseEvent>

namespace quillmere {

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) { setCursor(Qt::PointingHandCursor); }

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (onClick && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        onClick();
}

std::string_view HeaderArtwork(std::string_view name)
{
    if (name == "Image7")
        return "icon";
    if (name == "Image9")
        return "banner";
    return "weblink";
}

} // namespace quillmere
