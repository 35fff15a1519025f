#include "creator/window/CreateOptionsMenu.h"

#include "desktop/SettingsStore.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QMenu>

#include <utility>
#include <vector>

namespace quillmere {

namespace {

const QString kQualityKey = QStringLiteral("Quality");
const QString kFitKey = QStringLiteral("Fit");
const QString kAnimationKey = QStringLiteral("Animation");
const QString kBorderKey = QStringLiteral("Border");

// The menu's entries in order; the menu offers black as its one border colour.
constexpr LogoAnimationChoice kAnimations[] = {LogoAnimationChoice::None, LogoAnimationChoice::Band,
                                               LogoAnimationChoice::Keep};
constexpr const char* kBorderNames[] = {"palette", "edge", "black"};

std::string Stored(const SettingsStore& settings, const QString& key)
{
    return settings.Read(key).toStdString();
}

template <std::size_t N>
int CheckedIn(QAction* const (&actions)[N])
{
    for (std::size_t i = 0; i < N; ++i)
        if (actions[i]->isChecked())
            return static_cast<int>(i);
    return 0;
}

} // namespace

ConversionOptions StoredConversionOptions(const SettingsStore& settings)
{
    ConversionOptions options;
    options.quality = LogoQualityNamed(Stored(settings, kQualityKey)).value_or(options.quality);
    options.fit = LogoFitNamed(Stored(settings, kFitKey)).value_or(options.fit);
    // A stored "keep" would name the animation of a picture long gone.
    const auto animation = LogoAnimationNamed(Stored(settings, kAnimationKey));
    options.animation = animation == LogoAnimationChoice::Band ? LogoAnimationChoice::Band : LogoAnimationChoice::None;
    const std::string border = Stored(settings, kBorderKey);
    for (int i = 0; i < 3; ++i)
        if (border == kBorderNames[i])
            options.border = static_cast<BorderChoice>(i);
    return options;
}

QString OptionsTag(const ConversionOptions& options)
{
    const ConversionOptions defaults;
    QStringList words;
    if (options.quality != defaults.quality)
        words << QString::fromLatin1(NameOf(options.quality));
    if (options.fit != defaults.fit)
        words << QString::fromLatin1(NameOf(options.fit));
    if (options.animation == LogoAnimationChoice::Band)
        words << QStringLiteral("band");
    else if (options.animation == LogoAnimationChoice::Keep)
        words << QStringLiteral("keep animation");
    if (options.border == BorderChoice::Edge)
        words << QStringLiteral("edge border");
    else if (options.border == BorderChoice::Colour)
        words << (options.borderColour == 0 ? QStringLiteral("black border")
                                            : QStringLiteral("#%1 border").arg(options.borderColour, 6, 16, QChar('0')));
    return words.join(QStringLiteral(", "));
}

CreateOptionsMenu::CreateOptionsMenu(SettingsStore& settings, QAbstractButton& button)
    : QObject(&button), settings_(settings), menu_(new QMenu(&button))
{
    menu_->setObjectName(QStringLiteral("mnuCreateOptions"));
    const ConversionOptions stored = StoredConversionOptions(settings_);

    // One group a choice, so exactly one entry of each is checked; a choice is
    // kept at once, as the window's folders are. An entry without a value to
    // store belongs to the picture, not to the settings.
    struct Entry {
        QString caption;
        const char* value;
    };
    const auto addGroup = [this](const QString& title, const QString& key, const std::vector<Entry>& entries,
                                 int checked, QAction** actions) {
        menu_->addSection(title);
        auto* group = new QActionGroup(menu_);
        for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
            QAction* action = menu_->addAction(entries[static_cast<std::size_t>(i)].caption);
            action->setCheckable(true);
            action->setChecked(i == checked);
            group->addAction(action);
            if (const char* value = entries[static_cast<std::size_t>(i)].value)
                connect(action, &QAction::triggered, this,
                        [this, key, name = QString::fromLatin1(value)] { settings_.Write(key, name); });
            actions[i] = action;
        }
    };
    addGroup(QStringLiteral("Quality"), kQualityKey,
             {{QStringLiteral("&Exact (the standard conversion)"), NameOf(LogoQuality::Exact)},
              {QStringLiteral("&Best colours"), NameOf(LogoQuality::Best)}},
             static_cast<int>(stored.quality), quality_);
    addGroup(QStringLiteral("Fit to the 4:3 screen"), kFitKey,
             {{QStringLiteral("&Stretch"), NameOf(LogoFit::Stretch)},
              {QStringLiteral("&Crop to 4:3"), NameOf(LogoFit::Crop)},
              {QStringLiteral("&Pad to 4:3 with black"), NameOf(LogoFit::Pad)}},
             static_cast<int>(stored.fit), fit_);
    addGroup(QStringLiteral("Animation"), kAnimationKey,
             {{QStringLiteral("&None"), NameOf(LogoAnimationChoice::None)},
              {QStringLiteral("Colour band &along the bottom"), NameOf(LogoAnimationChoice::Band)},
              {QStringLiteral("&Keep the logo's animation"), nullptr}},
             stored.animation == LogoAnimationChoice::Band ? 1 : 0, animation_);
    addGroup(QStringLiteral("Border colour"), kBorderKey,
             {{QStringLiteral("As the palette &gives it"), kBorderNames[0]},
              {QStringLiteral("&From the picture's edge"), kBorderNames[1]},
              {QStringLiteral("B&lack"), kBorderNames[2]}},
             static_cast<int>(stored.border), border_);
    AnimatedPicture(nullptr);

    button.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&button, &QWidget::customContextMenuRequested, this,
            [this, &button](const QPoint& at) { menu_->popup(button.mapToGlobal(at)); });
    // From the keyboard too, and before a picture is loaded, while the button
    // (disabled then) takes no click: Shift+F10 or the menu key anywhere in the
    // window opens it under the button.
    auto* keys = new QAction(&button);
    keys->setShortcuts({QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)});
    keys->setShortcutContext(Qt::WindowShortcut);
    button.window()->addAction(keys);
    connect(keys, &QAction::triggered, this,
            [this, &button] { menu_->popup(button.mapToGlobal(QPoint(0, button.height()))); });
}

ConversionOptions CreateOptionsMenu::Options() const
{
    ConversionOptions options;
    options.quality = static_cast<LogoQuality>(CheckedIn(quality_));
    options.fit = static_cast<LogoFit>(CheckedIn(fit_));
    options.animation = kAnimations[CheckedIn(animation_)];
    if (options.animation == LogoAnimationChoice::Keep)
        options.kept = animated_;
    options.border = static_cast<BorderChoice>(CheckedIn(border_));
    return options;
}

void CreateOptionsMenu::AnimatedPicture(std::shared_ptr<const AnimatedPart> part)
{
    animated_ = std::move(part);
    QAction* keep = Action(LogoAnimationChoice::Keep);
    keep->setVisible(animated_ != nullptr);
    keep->setEnabled(animated_ != nullptr);
    if (animated_)
        keep->setChecked(true);
    else if (keep->isChecked())
        Action(StoredConversionOptions(settings_).animation)->setChecked(true);
}

QAction* CreateOptionsMenu::Action(LogoQuality quality) const { return quality_[static_cast<int>(quality)]; }
QAction* CreateOptionsMenu::Action(LogoFit fit) const { return fit_[static_cast<int>(fit)]; }
QAction* CreateOptionsMenu::Action(BorderChoice border) const { return border_[static_cast<int>(border)]; }

QAction* CreateOptionsMenu::Action(LogoAnimationChoice animation) const
{
    for (int i = 0; i < 3; ++i)
        if (kAnimations[i] == animation)
            return animation_[i];
    return nullptr;
}

} // namespace quillmere
