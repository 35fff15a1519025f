// The way from the Logo Manager's picture boxes to the Boot Preview window: a
// context menu "Show as at start-up..." on every box that shows a logo, and a
// double click on the current-logo pictures. A box names its logo when asked,
// so the preview always reads what the box stands for now.
#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

class QLabel;
class QMenu;

namespace quillmere {

class DriveC;

inline constexpr std::string_view kShowAtStartUp = "Show as at start-up...";

// What a picture box shows: a file of this system, or a file on drive C:.
struct BoxLogo {
    std::filesystem::path hostFile;
    std::string drivePath;
};

class BootPreviewLinks : public QObject {
    Q_OBJECT

public:
    // drive gives the drive C: of the moment (it changes with "Change...").
    BootPreviewLinks(QWidget& window, std::function<const DriveC&()> drive);

    // Adds the menu to box, and the double click when doubleClick is true.
    // more adds the box's own items after "Show as at start-up..."; a box
    // with such items offers its menu while it is empty too.
    void Attach(QLabel* box, std::function<BoxLogo()> logo, bool doubleClick,
                std::function<void(QMenu&)> more = {});

    // Opens the Boot Preview window on what box shows; nothing for an empty box.
    void Show(QLabel* box, const BoxLogo& logo);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Box {
        std::function<BoxLogo()> logo;
        bool doubleClick;
        std::function<void(QMenu&)> more;
    };

    QWidget& window_;
    std::function<const DriveC&()> drive_;
    std::map<const QObject*, Box> boxes_;
};

} // namespace quillmere
