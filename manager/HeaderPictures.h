// The small pieces of the Logo Manager's header: a label that acts on a click
// (the web link, "Change..."), and which of the program's pictures each header
// picture shows.
#pragma once

#include <QLabel>

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

// The artwork name (artwork::Picture) of the header picture control name:
// "Image7" the program's icon, "Image9" the banner, "Image8" the web link.
std::string_view HeaderArtwork(std::string_view name);

} // namespace quillmere
