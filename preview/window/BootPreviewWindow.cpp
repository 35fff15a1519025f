#include "preview/window/BootPreviewWindow.h"

#include "imaging/Errors.h"
#include "preview/window/BootPreviewView.h"
#include "preview/RowPattern.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <new>
#include <system_error>

namespace quillmere {

namespace {

QString Native(const std::filesystem::path& p)
{
    return QDir::toNativeSeparators(QFile::decodeName(QByteArray::fromStdString(p.native())));
}

QString NameOf(const std::filesystem::path& p)
{
    return QFile::decodeName(QByteArray::fromStdString(p.filename().native()));
}

// The same file, for a path given two ways (relative, with "..", via a link).
std::filesystem::path Identity(const std::filesystem::path& p)
{
    std::error_code ec;
    std::filesystem::path id = std::filesystem::weakly_canonical(p, ec);
    if (ec)
        id = std::filesystem::absolute(p, ec).lexically_normal();
    return ec ? p : id;
}

void Present(BootPreviewWindow* w)
{
    // Opened centred over the window that opened it, as every other window of
    // the program; a window manager may still place it otherwise.
    if (!w->isVisible() && w->parentWidget()) {
        QRect area(QPoint(), w->size());
        area.moveCenter(w->parentWidget()->window()->geometry().center());
        w->setGeometry(area);
    }
    w->show();
    w->raise();
    w->activateWindow();
}

} // namespace

BootPreviewWindow::BootPreviewWindow(QWidget* parent, std::int32_t fps)
    : QWidget(parent, Qt::Window), fps_(std::max(fps, 1))
{
    setWindowTitle(QStringLiteral("Boot Preview"));
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted: border or picture
    resize(kBootScreenWidth, kBootScreenHeight);
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &BootPreviewWindow::Tick);
}

BootPreviewWindow::~BootPreviewWindow() = default;

void BootPreviewWindow::ShowFile(const std::filesystem::path& path)
{
    file_ = path;
    try {
        Display(BootScreen::Load(path), NameOf(path));
    } catch (const FileError& e) {
        Fail(NameOf(path), QStringLiteral("Cannot open %1: %2").arg(Native(e.file()), QString::fromStdString(e.reason())));
    } catch (const Error& e) {
        Fail(NameOf(path), QStringLiteral("Cannot open %1: %2").arg(Native(path), QString::fromStdString(e.what())));
    } catch (const std::bad_alloc&) {
        Fail(NameOf(path), QStringLiteral("Cannot open %1: not enough memory").arg(Native(path)));
    }
}

void BootPreviewWindow::ShowScreen(BootScreen screen, const QString& name)
{
    file_.clear();
    Display(std::move(screen), name);
}

void BootPreviewWindow::Display(BootScreen screen, const QString& name)
{
    timer_.stop();
    error_.clear();
    screen_.emplace(std::move(screen));
    // The image reads the screen's indices in place; only its colour table
    // changes from frame to frame.
    image_ = QImage(screen_->Indices().data(), kBootScreenWidth, kBootScreenHeight, kBootScreenWidth,
                    QImage::Format_Indexed8);
    colours_.resize(256);
    frame_ = -1;
    ShowFrame(0);
    setWindowTitle(QStringLiteral("Boot Preview - %1 - %2")
                       .arg(name, QString::fromStdString(AnimationText(screen_->FirstAnimated(), fps_))));
    SetAnimating(true);
}

void BootPreviewWindow::Fail(const QString& name, const QString& reason)
{
    timer_.stop();
    screen_.reset();
    image_ = QImage();
    frame_ = 0;
    error_ = reason;
    setWindowTitle(QStringLiteral("Boot Preview - %1 - cannot be read").arg(name));
    update();
}

std::int32_t BootPreviewWindow::Scale() const noexcept { return PreviewScale(width(), height()); }

QRect BootPreviewWindow::PictureRect() const
{
    const std::int32_t k = Scale();
    const QSize size(kBootScreenWidth * k, kBootScreenHeight * k);
    return QRect(QPoint(static_cast<int>(CentredOffset(width(), size.width())),
                        static_cast<int>(CentredOffset(height(), size.height()))),
                 size);
}

void BootPreviewWindow::ShowFrame(std::int32_t frame)
{
    if (!screen_ || frame == frame_)
        return;
    const BootPalette palette = screen_->PaletteOf(frame);
    for (std::size_t i = 0; i < palette.size(); ++i)
        colours_[static_cast<qsizetype>(i)] = 0xFF000000u | palette[i];
    image_.setColorTable(colours_);
    frame_ = frame % screen_->FrameCount();
    update();
    emit FrameShown(frame_);
}

void BootPreviewWindow::Step()
{
    if (screen_)
        ShowFrame((frame_ + 1) % screen_->FrameCount());
}

void BootPreviewWindow::SetAnimating(bool on)
{
    if (on && screen_ && screen_->FrameCount() > 1) {
        // The clock counts from the frame shown now, so the cycle goes on from it.
        clock_.start();
        base_ = frame_;
        ScheduleTick();
    } else {
        timer_.stop();
    }
}

void BootPreviewWindow::Tick()
{
    ShowFrame((base_ + screen_->FrameAt(clock_.elapsed(), fps_)) % screen_->FrameCount());
    ScheduleTick();
}

void BootPreviewWindow::ScheduleTick()
{
    // Wakes at the next step's time rather than every 1000 / fps ms, which would
    // drift at rates that do not divide a second.
    const std::int64_t elapsed = clock_.elapsed();
    const std::int64_t steps = elapsed * fps_ / 1000;
    const std::int64_t next = ((steps + 1) * 1000 + fps_ - 1) / fps_;
    timer_.start(static_cast<int>(std::max<std::int64_t>(next - elapsed, 1)));
}

void BootPreviewWindow::ToggleFullScreen() { setWindowState(windowState() ^ Qt::WindowFullScreen); }

void BootPreviewWindow::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (!screen_) {
        painter.fillRect(event->rect(), Qt::black);
        painter.setPen(Qt::white);
        painter.drawText(rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap, error_);
        return;
    }
    const QRect picture = PictureRect();
    const QRegion border = QRegion(event->rect()) - picture;
    for (const QRect& r : border)
        painter.fillRect(r, QColor::fromRgb(colours_[0]));
    const QRect exposed = event->rect() & picture;
    if (exposed.isEmpty())
        return;
    // Only the source pixels under the exposed part, each drawn as a k x k block.
    const std::int32_t k = Scale();
    const QRect inPicture = exposed.translated(-picture.topLeft());
    const QRect source(QPoint(inPicture.left() / k, inPicture.top() / k),
                       QPoint(inPicture.right() / k, inPicture.bottom() / k));
    const QRect target(picture.topLeft() + source.topLeft() * k, source.size() * k);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, image_, source);
}

void BootPreviewWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F11)
        ToggleFullScreen();
    else if (event->key() == Qt::Key_Escape && isFullScreen())
        setWindowState(windowState() & ~Qt::WindowFullScreen);
    else
        QWidget::keyPressEvent(event);
}

void BootPreviewWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        ToggleFullScreen();
    else
        QWidget::mouseDoubleClickEvent(event);
}

BootPreviewWindow* OpenBootPreview(QWidget* parent, const std::filesystem::path& logo)
{
    const std::filesystem::path id = Identity(logo);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* open = qobject_cast<BootPreviewWindow*>(w);
        if (open && !open->File().empty() && Identity(open->File()) == id) {
            open->ShowFile(logo); // the file may have been replaced since
            Present(open);
            return open;
        }
    }
    auto* w = new BootPreviewWindow(parent);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->ShowFile(logo);
    Present(w);
    return w;
}

void ShowBootPreview(QWidget* parent, const std::filesystem::path& logo) { OpenBootPreview(parent, logo); }

BootPreviewWindow* OpenBootPreview(QWidget* parent, BootScreen screen, const QString& name)
{
    BootPreviewWindow* target = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* open = qobject_cast<BootPreviewWindow*>(w);
        if (open && open->File().empty() && open->parentWidget() == parent)
            target = open;
    }
    if (!target) {
        target = new BootPreviewWindow(parent);
        target->setAttribute(Qt::WA_DeleteOnClose);
    }
    target->ShowScreen(std::move(screen), name);
    Present(target);
    return target;
}

} // namespace quillmere
