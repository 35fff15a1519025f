#include "ManagerControls.h"

#include "desktop/artwork/Artwork.h"
#include "desktop/QtText.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace quillmere {

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) { setCursor(Qt::PointingHandCursor); }

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (onClick && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        onClick();
}

std::string_view HeaderArtwork(std::string_view name)
{
    if (name == "Image7")
        return "icon";
    if (name == "Image9")
        return "banner";
    return "weblink";
}

QRect Pixels(const TwipRect& r)
{
    return {TwipsToPixels(r.left), TwipsToPixels(r.top), TwipsToPixels(r.width), TwipsToPixels(r.height)};
}

QWidget* MakeControl(const ControlSpec& spec, QWidget* parent,
                     const std::function<void(std::string_view name)>& clicked)
{
    const std::string_view name = spec.name;
    switch (spec.kind) {
    case ControlKind::Band: {
        auto* band = new QLabel(parent);
        band->setAutoFillBackground(true);
        band->setPalette(QPalette(Qt::black, Qt::white));
        return band;
    }
    case ControlKind::Picture: {
        // The web link acts on a click; every other picture only shows.
        if (name != "Image8") {
            auto* box = new QLabel(parent);
            box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            if (spec.parent.empty())
                box->setPixmap(artwork::Picture(HeaderArtwork(name), Pixels(spec.twips).size()));
            return box;
        }
        auto* link = new ClickLabel(parent);
        link->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        link->setPixmap(artwork::Picture(HeaderArtwork(name), Pixels(spec.twips).size()));
        link->onClick = [clicked, name = spec.name] { clicked(name); };
        // Image8_MouseMove: the link pointer on every move over it.
        link->unsetCursor();
        artwork::ShowLinkCursorOnMove(link);
        return link;
    }
    case ControlKind::Line: {
        auto* line = new QFrame(parent);
        line->setAutoFillBackground(true);
        line->setPalette(QPalette(name == "Line1" ? QColor(0x80, 0x80, 0x80) : QColor(Qt::white)));
        return line;
    }
    case ControlKind::Panel: {
        auto* panel = new QFrame(parent);
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        return panel;
    }
    case ControlKind::Frame:
        return new QGroupBox(Text(spec.caption), parent);
    case ControlKind::Label: {
        auto* label = new QLabel(Text(spec.caption), parent);
        label->setAlignment(Qt::AlignCenter);
        return label;
    }
    case ControlKind::Link: {
        auto* link = new ClickLabel(parent);
        link->setText(QStringLiteral("<a href=\"#\">%1</a>").arg(Text(spec.caption)));
        link->setTextInteractionFlags(Qt::NoTextInteraction);
        link->onClick = [clicked, name = spec.name] { clicked(name); };
        return link;
    }
    case ControlKind::Button:
        return new QPushButton(Text(spec.caption), parent);
    case ControlKind::Text: {
        auto* text = new QLineEdit(parent);
        text->setReadOnly(true);
        text->setFocusPolicy(Qt::NoFocus);
        return text;
    }
    case ControlKind::CheckBox:
        return new QCheckBox(Text(spec.caption), parent);
    case ControlKind::DriveList:
    case ControlKind::DirList:
    case ControlKind::FileList:
        break;
    }
    return nullptr;
}

} // namespace quillmere
