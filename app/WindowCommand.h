// Commands that open a window need a QApplication, made before the command
// line is read; every other command runs with a QCoreApplication and never
// touches the window system.
#pragma once

#include <QCoreApplication>

#include <memory>
#include <string_view>

namespace quillmere::app {

struct RegisterWindowCommand {
    explicit RegisterWindowCommand(const char* name);
};

// True when a window can be opened: a platform is named (QT_QPA_PLATFORM), or
// an X11 or Wayland display is.
bool DisplayAvailable();

// A QApplication when argv names a window command, or no command at all (the
// Logo Manager), and a display is there,
// else a QCoreApplication. argc must outlive the object.
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char* argv[]);

} // namespace quillmere::app
