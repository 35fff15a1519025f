#include "about/frmAbout.h"

#include "desktop/artwork/Artwork.h"
#include "desktop/Dialogs.h"
#include "desktop/DocumentOpener.h"
#include "desktop/QtText.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <string_view>

namespace quillmere {

namespace {

constexpr std::string_view kTitle = "Quillmere";

enum class Kind { Frame, Label, Picture, Button };

struct Control {
    std::string_view name;
    Kind kind;
    std::string_view parent; // empty: the window
    QRect pixels;
    std::string_view text;    // caption, or the picture's name
    std::string_view tooltip;
};

constexpr std::string_view kDescription =
    "Quillmere is made by Vornholt. There is more to find on our web site: press Vornholt below to visit it, "
    "or Join the Vornholt mailing list to hear of new releases.";
constexpr std::string_view kDisclaimer =
    "Quillmere is free software: you can redistribute it and/or modify it under the terms of the GNU General "
    "Public License, version 3 or any later version. It comes with ABSOLUTELY NO WARRANTY.";

constexpr QSize kClientSize{440, 366};

// The buttons in tab order.
constexpr std::array kControls{
    Control{"Image1", Kind::Picture, "", {0, 0, 440, 56}, "dawn", ""},
    Control{"picIcon", Kind::Picture, "", {20, 68, 48, 48}, "icon", ""},
    Control{"lblTitle", Kind::Label, "", {80, 66, 264, 30}, "", ""},
    Control{"lblVersion", Kind::Label, "", {80, 96, 264, 20}, "", ""},
    Control{"Image2", Kind::Picture, "", {360, 62, 64, 64}, "quill", ""},
    Control{"Frame2", Kind::Frame, "", {12, 132, 416, 112}, "", ""},
    Control{"lblDescription", Kind::Label, "Frame2", {12, 10, 392, 52}, kDescription, ""},
    Control{"Command2", Kind::Button, "Frame2", {12, 72, 120, 28}, "&Vornholt", "Visit Vornholt"},
    Control{"Command1", Kind::Button, "Frame2", {144, 72, 260, 28}, "&Join the Vornholt mailing list",
            "Join our mailing list"},
    Control{"Frame1", Kind::Frame, "", {12, 252, 416, 68}, "", ""},
    Control{"lblDisclaimer", Kind::Label, "Frame1", {12, 6, 392, 56}, kDisclaimer, ""},
    Control{"Command4", Kind::Button, "", {12, 328, 120, 28}, "&System Info", "Info about your computer"},
    Control{"Command3", Kind::Button, "", {308, 328, 120, 28}, "Clos&e", "Close this window"},
};

} // namespace

QString VersionLine(int major, int minor, int patch)
{
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(patch);
}

frmAbout::frmAbout(const AboutPlatform& platform, QWidget* parent) : QWidget(parent), platform_(platform)
{
    setObjectName(QStringLiteral("frmAbout"));
    setFixedSize(kClientSize);
    BuildControls();
    Form_Load();
}

void frmAbout::BuildControls()
{
    QWidget* previous = nullptr;
    for (const Control& c : kControls) {
        QWidget* parent = c.parent.empty() ? this : findChild<QWidget*>(Text(c.parent));
        QWidget* w = nullptr;
        switch (c.kind) {
        case Kind::Frame:
            w = new QGroupBox(parent);
            break;
        case Kind::Label: {
            auto* label = new QLabel(Text(c.text), parent);
            label->setWordWrap(true);
            w = label;
            break;
        }
        case Kind::Picture: {
            auto* picture = new QLabel(parent);
            picture->setPixmap(artwork::Picture(c.text, c.pixels.size()));
            picture->installEventFilter(this);
            w = picture;
            break;
        }
        case Kind::Button: {
            auto* button = new QPushButton(Text(c.text), parent);
            if (previous)
                setTabOrder(previous, button);
            previous = button;
            w = button;
            break;
        }
        }
        w->setObjectName(Text(c.name));
        w->setGeometry(c.pixels);
        if (!c.tooltip.empty())
            w->setToolTip(Text(c.tooltip));
    }

    QFont titleFont = font();
    titleFont.setPixelSize(22);
    titleFont.setBold(true);
    findChild<QLabel*>(QStringLiteral("lblTitle"))->setFont(titleFont);
    QFont smallFont = font();
    // A tenth smaller, whether the window's font was given in points or pixels.
    smallFont.setPixelSize(std::max(7, (QFontInfo(font()).pixelSize() * 9 + 5) / 10));
    findChild<QLabel*>(QStringLiteral("lblDisclaimer"))->setFont(smallFont);

    const auto button = [this](const char* name) { return findChild<QPushButton*>(QString::fromLatin1(name)); };
    connect(button("Command1"), &QPushButton::clicked, this, [this] { OpenLink(platform_.links.mailingList); });
    connect(button("Command2"), &QPushButton::clicked, this, [this] { OpenLink(platform_.links.home); });
    connect(button("Command3"), &QPushButton::clicked, this, &QWidget::close);
    connect(button("Command4"), &QPushButton::clicked, this, &frmAbout::StartSysInfo);
    for (const char* name : {"Command1", "Command2", "Image2"})
        artwork::ShowLinkCursorOnMove(findChild<QWidget*>(QString::fromLatin1(name)));
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + Text(kTitle));
    findChild<QLabel*>(QStringLiteral("lblVersion"))
        ->setText(VersionLine(QUILLMERE_VERSION_MAJOR, QUILLMERE_VERSION_MINOR, QUILLMERE_VERSION_PATCH));
    findChild<QLabel*>(QStringLiteral("lblTitle"))->setText(Text(kTitle));
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    // A click on a picture is a release of the left button over it.
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* picture = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton && picture->rect().contains(mouse->position().toPoint())) {
            if (watched->objectName() == QLatin1String("picIcon"))
                OpenLink(platform_.links.home);
            else
                OpenLink(platform_.links.product);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmAbout::OpenLink(const std::string& address)
{
    if (!address.empty() && !platform_.opener.Open(QString::fromStdString(address)))
        platform_.messages.Information(this, Text(kTitle), NotOpenedText(QString::fromStdString(address)));
}

void frmAbout::StartSysInfo()
{
    if (!SysInfoLauncher(platform_.registry, platform_.processes).Start())
        platform_.messages.Information(this, Text(kTitle), Text(kSysInfoUnavailable));
}

} // namespace quillmere
