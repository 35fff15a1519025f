// The small pieces of the Logo Manager's header: a label that acts on a click
// (the web link, "Change..."), and the header's pictures.
#pragma once

#include <QLabel>
#include <QPixmap>

#include <functional>
#include <string_view>

namespace quillmere {

// A label that calls onClick when the mouse is released over it, with the
// pointing hand over it.
class ClickLabel final : public QLabel {
public:
    std::function<void()> onClick;

    explicit ClickLabel(QWidget* parent);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The picture of the header control name ("Image7" the program's mark,
// "Image9" the banner, "Image8" the web link's globe), drawn at size.
QPixmap HeaderPicture(std::string_view name, QSize size);

} // namespace quillmere
