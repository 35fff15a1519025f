#include "desktop/artwork/Artwork.h"

#include <QEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QWidget>

#include <array>

namespace quillmere::artwork {

namespace {

struct Named {
    std::string_view name;
    const char* resource;
};

constexpr std::array kPictures{
    Named{"icon", ":/artwork/quillmere.svg"}, Named{"banner", ":/artwork/banner.svg"},
    Named{"weblink", ":/artwork/weblink.svg"}, Named{"dawn", ":/artwork/dawn.svg"},
    Named{"quill", ":/artwork/quill.svg"},
};

// Rendered here rather than through Qt's SVG image plugin, so that no plugin
// has to be found at run time.
QPixmap Render(const char* resource, QSize size)
{
    QSvgRenderer renderer{QString::fromLatin1(resource)};
    if (!renderer.isValid() || size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return QPixmap::fromImage(image);
}

class LinkHover final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseMove)
            static_cast<QWidget*>(watched)->setCursor(LinkCursor());
        return false;
    }
};

} // namespace

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(Render(":/artwork/quillmere.svg", {side, side}));
    return icon;
}

QPixmap Picture(std::string_view name, QSize size)
{
    for (const Named& picture : kPictures)
        if (picture.name == name)
            return Render(picture.resource, size);
    return {};
}

QCursor LinkCursor()
{
    return QCursor(Render(":/artwork/link-cursor.svg", {32, 32}), kLinkCursorHotSpot.x(), kLinkCursorHotSpot.y());
}

void ShowLinkCursorOnMove(QWidget* widget)
{
    // Moves without a button pressed reach the widget only when it tracks the mouse.
    widget->setMouseTracking(true);
    widget->installEventFilter(new LinkHover(widget));
}

} // namespace quillmere::artwork
