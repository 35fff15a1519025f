// The Boot Preview window: a logo as the computer shows it while starting, at
// 640 x 480 (or a whole multiple of it when the window is larger), centred on
// the border colour (palette entry 0) and animated by a timer at the logo's
// rate. F11 or a double click toggles full screen, Escape leaves it. The title
// names the logo and the entries that rotate. It only reads the file.
#pragma once

#include "preview/BootScreen.h"

#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <filesystem>
#include <optional>

namespace quillmere {

class BootPreviewWindow : public QWidget {
    Q_OBJECT

public:
    // An empty window; fps (1 or more) is the rate of the palette steps.
    explicit BootPreviewWindow(QWidget* parent = nullptr, std::int32_t fps = kDefaultPreviewFps);
    ~BootPreviewWindow() override;

    // Reads path and shows it from frame 0. A file that cannot be read leaves
    // no picture and ErrorText() says why, in the window and its title.
    void ShowFile(const std::filesystem::path& path);
    // Shows a picture held in memory, named name in the title.
    void ShowScreen(BootScreen screen, const QString& name);

    // The file shown (or that could not be read); empty for a picture in memory.
    const std::filesystem::path& File() const noexcept { return file_; }
    bool HasPicture() const noexcept { return screen_.has_value(); }
    // The picture shown; null without one.
    const BootScreen* Screen() const noexcept { return screen_ ? &*screen_ : nullptr; }
    const QString& ErrorText() const noexcept { return error_; }
    std::int32_t Fps() const noexcept { return fps_; }

    // The 640 x 480 frame shown now: a Format_Indexed8 image over the screen's
    // own indices, whose colour table is the current frame's palette. Null
    // without a picture.
    const QImage& Frame() const noexcept { return image_; }
    std::int32_t FrameNumber() const noexcept { return frame_; }
    // Where the picture is drawn: Scale() screens wide and tall, centred.
    std::int32_t Scale() const noexcept;
    QRect PictureRect() const;

    // Shows the next frame at once (the timer does this at the rate).
    void Step();
    // The timer runs only for a logo that animates; tests stop it to drive
    // the frames themselves.
    bool Animating() const noexcept { return timer_.isActive(); }
    void SetAnimating(bool on);

    void ToggleFullScreen();

signals:
    // After the colour table changed to frame's palette.
    void FrameShown(std::int32_t frame);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void Display(BootScreen screen, const QString& name);
    void ShowFrame(std::int32_t frame);
    void Tick();
    void ScheduleTick();
    void Fail(const QString& name, const QString& reason);

    std::int32_t fps_;
    std::filesystem::path file_;
    std::optional<BootScreen> screen_;
    QImage image_;
    QList<QRgb> colours_;
    std::int32_t frame_ = 0;
    std::int32_t base_ = 0; // the frame the clock started at
    QString error_;
    QTimer timer_;
    QElapsedTimer clock_;
};

// Opens a Boot Preview window for logo beside parent (which may be null), or
// raises the one already showing that file after reading it again. Returns at
// once; the window closes and deletes itself.
void ShowBootPreview(QWidget* parent, const std::filesystem::path& logo);

// As ShowBootPreview, returning the window.
BootPreviewWindow* OpenBootPreview(QWidget* parent, const std::filesystem::path& logo);

// Shows a picture held in memory: in parent's own preview window of pictures
// in memory when it has one, else in a new one.
BootPreviewWindow* OpenBootPreview(QWidget* parent, BootScreen screen, const QString& name);

} // namespace quillmere
