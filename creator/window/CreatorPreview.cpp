#include "creator/window/CreatorPreview.h"

#include "creator/CanvasBootScreen.h"
#include "creator/window/fMain.h"
#include "imaging/Errors.h"
#include "preview/window/BootPreviewWindow.h"
#include "widgets/ucCanvas.h"
#include "widgets/ucInfo.h"

#include <QAction>
#include <QMenu>

#include <new>

namespace quillmere {

CreatorPreview::CreatorPreview(fMain& window) : QObject(&window), window_(window)
{
    action_ = new QAction(QStringLiteral("Show as at start-up..."), &window);
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    action_->setShortcutContext(Qt::WindowShortcut);
    window.addAction(action_);
    connect(action_, &QAction::triggered, this, &CreatorPreview::Open);

    ucCanvas& canvas = window.Canvas();
    canvas.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&canvas, &ucCanvas::customContextMenuRequested, this, &CreatorPreview::ShowMenu);
}

void CreatorPreview::ShowMenu(QPoint pos)
{
    ucCanvas& canvas = window_.Canvas();
    // Crop mode has its own menu on the right button.
    if (canvas.WorkMode() == ucCanvas::CropMode || !canvas.DIB().hDIB())
        return;
    auto* menu = new QMenu(&canvas);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(action_);
    menu->popup(canvas.mapToGlobal(pos));
}

void CreatorPreview::Open()
{
    ucCanvas& canvas = window_.Canvas();
    if (!canvas.DIB().hDIB())
        return;
    try {
        OpenBootPreview(&window_,
                        CanvasBootScreen(canvas.DIB(), window_.DIBPal(), window_.DIBDither(), window_.DIBbpp(),
                                         window_.DIBFirstAnimated()),
                        QStringLiteral("Logo Creator"));
    } catch (const Error& e) {
        window_.Info().TextFile(QStringLiteral("Cannot show the picture: %1").arg(QString::fromStdString(e.what())));
    } catch (const std::bad_alloc&) {
        window_.Info().TextFile(QStringLiteral("Cannot show the picture: not enough memory"));
    }
}

} // namespace quillmere
