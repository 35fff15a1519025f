// The About window: the program's name and version, a few words with links to
// its web pages, the licence notice, and a button that starts the system's
// system-information tool. Shown non-modally by the Logo Manager.
#pragma once

#include "about/AboutPlatform.h"

#include <QString>
#include <QWidget>

#include <string>

namespace quillmere {

// "Version 2.0.0": the numbers in plain decimal.
QString VersionLine(int major, int minor, int patch);

class frmAbout : public QWidget {
    Q_OBJECT

public:
    explicit frmAbout(const AboutPlatform& platform, QWidget* parent = nullptr);

    // Starts the system-information tool, or tells the user it is unavailable.
    void StartSysInfo();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void Form_Load();
    // Hands address to the desktop; an empty one (no page known) opens nothing.
    void OpenLink(const std::string& address);

    AboutPlatform platform_;
};

} // namespace quillmere
