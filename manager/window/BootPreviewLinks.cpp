#include "BootPreviewLinks.h"

#include "imaging/Errors.h"
#include "imaging/decode/PictureLoader.h"
#include "drive/Drive.h"
#include "drive/DriveC.h"
#include "preview/window/BootPreviewWindow.h"
#include "preview/BootScreen.h"

#include <QEvent>
#include <QLabel>
#include <QMenu>

#include <span>

namespace quillmere {

BootPreviewLinks::BootPreviewLinks(QWidget& window, std::function<const DriveC&()> drive)
    : QObject(&window), window_(window), drive_(std::move(drive))
{
}

void BootPreviewLinks::Attach(QLabel* box, std::function<BoxLogo()> logo, bool doubleClick,
                              std::function<void(QMenu&)> more)
{
    boxes_[box] = Box{std::move(logo), doubleClick, std::move(more)};
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QWidget::customContextMenuRequested, this, [this, box](const QPoint& at) {
        const Box& entry = boxes_.at(box);
        if (box->pixmap().isNull() && !entry.more)
            return;
        auto* menu = new QMenu(box);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        if (!box->pixmap().isNull())
            menu->addAction(QString::fromUtf8(kShowAtStartUp.data(), static_cast<qsizetype>(kShowAtStartUp.size())),
                            this, [this, box] { Show(box, boxes_.at(box).logo()); });
        if (entry.more)
            entry.more(*menu);
        menu->popup(box->mapToGlobal(at));
    });
    if (doubleClick)
        box->installEventFilter(this);
}

bool BootPreviewLinks::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        const auto it = boxes_.find(watched);
        if (it != boxes_.end() && it->second.doubleClick) {
            Show(static_cast<QLabel*>(watched), it->second.logo());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void BootPreviewLinks::Show(QLabel* box, const BoxLogo& logo)
{
    if (box->pixmap().isNull())
        return;
    if (!logo.hostFile.empty()) {
        ShowBootPreview(&window_, logo.hostFile);
        return;
    }
    const DriveC& drive = drive_();
    if (!drive.IsImage()) {
        try {
            ShowBootPreview(&window_, drive.Resolve(logo.drivePath));
            return;
        } catch (const Error&) {
            // A path the drive no longer resolves: the box's picture is all there is to go on.
        }
    }
    // A file inside a disk image has no name on this system: the preview gets its bytes.
    try {
        const std::string bytes = drive.ReadFile(logo.drivePath, kMaxDriveCopyBytes);
        const DecodedPicture picture = DecodePicture(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), logo.drivePath);
        OpenBootPreview(&window_, BootScreen(picture), QString::fromUtf8(logo.drivePath));
    } catch (const Error&) {
        // The file went since the box was filled; the box stays as it is.
    }
}

} // namespace quillmere
