// The widgets of the Logo Manager's table of controls, made bare: the window
// gives each its name, place, tooltip and tab order, and wires the ones that
// act. The file browsers are the window's own.
#pragma once

#include "desktop/QtText.h"
#include "manager/window/ManagerLayout.h"

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

// The widget of spec under parent, for every kind but the three browser
// lists. A control that acts on a click (the web link "Image8", the link
// "lblChangeDrive") calls clicked with its name.
QWidget* MakeControl(const ControlSpec& spec, QWidget* parent,
                     const std::function<void(std::string_view name)>& clicked);

// The control of window named name, as the table names it; null when none is.
template <class T> T* Control(QWidget& window, std::string_view name) { return window.findChild<T*>(Text(name)); }

// A rectangle of the table, in pixels.
QRect Pixels(const TwipRect& r);

} // namespace quillmere
