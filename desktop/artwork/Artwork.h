// The program's own pictures, drawn as SVG and built in: the program's icon,
// the pictures of the Logo Manager's header and of the About window, and the
// pointing hand shown over links.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

#include <string_view>

class QWidget;

namespace quillmere::artwork {

// The program's icon (a monitor with a logo coming up), at the usual icon sizes.
QIcon ProgramIcon();

// A picture by name, drawn at size: "icon" the program's icon, "banner" the
// Logo Manager's banner, "weblink" the web link's globe, "dawn" a wide strip of
// the icon's dawn, "quill" a quill pen. A null pixmap for any other name.
QPixmap Picture(std::string_view name, QSize size);

// The link pointer: a 32 x 32 pointing hand whose hot spot is the fingertip,
// 6 pixels from the left on the top row.
QCursor LinkCursor();
inline constexpr QPoint kLinkCursorHotSpot{6, 0};

// Gives widget the link pointer on every mouse move over it, as links do.
void ShowLinkCursorOnMove(QWidget* widget);

} // namespace quillmere::artwork
