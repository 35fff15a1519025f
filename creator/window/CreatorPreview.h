// The Logo Creator's way into the Boot Preview: "Show as at start-up..." in a
// context menu on the canvas outside crop mode, and Ctrl+P, for whatever
// picture the canvas shows (after "Create Logo": the logo as it would be saved).
#pragma once

#include <QObject>
#include <QPoint>

class QAction;

namespace quillmere {

class fMain;

class CreatorPreview : public QObject {
    Q_OBJECT

public:
    // Adds the action (with its shortcut) to window and the menu to its canvas.
    explicit CreatorPreview(fMain& window);

    QAction& ShowAction() const noexcept { return *action_; }

    // Opens the preview of the canvas's picture; nothing without one. A picture
    // that cannot be shown says why in the information strip.
    void Open();

private:
    void ShowMenu(QPoint pos);

    fMain& window_;
    QAction* action_ = nullptr;
};

} // namespace quillmere
