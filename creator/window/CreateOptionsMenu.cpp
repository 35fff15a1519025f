#include "creator/window/CreateOptionsMenu.h"

#include "desktop/SettingsStore.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QMenu>

#include <utility>
#include <vector>

namespace quillmere {

namespace {

// The menu's animation entries in order.
constexpr LogoAnimationChoice kAnimations[] = {LogoAnimationChoice::None, LogoAnimationChoice::Band,
                                               LogoAnimationChoice::Keep};

StoredValue ReaderOf(const SettingsStore& settings)
{
    return [&settings](std::string_view key) {
        return settings.Read(QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()))).toStdString();
    };
}

} // namespace

ConversionOptions StoredConversionOptions(const SettingsStore& settings) { return StoredOptions(ReaderOf(settings)); }

CreateOptionsMenu::CreateOptionsMenu(SettingsStore& settings, QAbstractButton& button)
    : QObject(&button), settings_(settings), choices_(ReaderOf(settings)), menu_(new QMenu(&button))
{
    menu_->setObjectName(QStringLiteral("mnuCreateOptions"));

    // One group a choice, so exactly one entry of each is checked.
    const auto addGroup = [this](const QString& title, const auto& entries, QAction** actions) {
        menu_->addSection(title);
        auto* group = new QActionGroup(menu_);
        int i = 0;
        for (const auto& [caption, choice] : entries) {
            QAction* action = menu_->addAction(caption);
            action->setCheckable(true);
            group->addAction(action);
            connect(action, &QAction::triggered, this, [this, choice = choice] { Choose(choice); });
            actions[i++] = action;
        }
    };
    using Quality = std::pair<QString, LogoQuality>;
    addGroup(QStringLiteral("Quality"),
             std::vector<Quality>{{QStringLiteral("&Exact (the standard conversion)"), LogoQuality::Exact},
                                  {QStringLiteral("&Best colours"), LogoQuality::Best}},
             quality_);
    using Fit = std::pair<QString, LogoFit>;
    addGroup(QStringLiteral("Fit to the 4:3 screen"),
             std::vector<Fit>{{QStringLiteral("&Stretch"), LogoFit::Stretch},
                              {QStringLiteral("&Crop to 4:3"), LogoFit::Crop},
                              {QStringLiteral("&Pad to 4:3 with black"), LogoFit::Pad}},
             fit_);
    using Animation = std::pair<QString, LogoAnimationChoice>;
    addGroup(QStringLiteral("Animation"),
             std::vector<Animation>{{QStringLiteral("&None"), kAnimations[0]},
                                    {QStringLiteral("Colour band &along the bottom"), kAnimations[1]},
                                    {QStringLiteral("&Keep the logo's animation"), kAnimations[2]}},
             animation_);
    using Border = std::pair<QString, BorderChoice>;
    addGroup(QStringLiteral("Border colour"),
             std::vector<Border>{{QStringLiteral("As the palette &gives it"), BorderChoice::Palette},
                                 {QStringLiteral("&From the picture's edge"), BorderChoice::Edge},
                                 {QStringLiteral("B&lack"), BorderChoice::Colour}},
             border_);
    ShowChoices();

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

template <typename Choice> void CreateOptionsMenu::Choose(Choice choice)
{
    // Kept at once, as the window's folders are.
    if (const std::optional<StoredChoice> stored = choices_.Choose(choice))
        settings_.Write(QString::fromLatin1(stored->key.data(), static_cast<qsizetype>(stored->key.size())),
                        QString::fromLatin1(stored->value.data(), static_cast<qsizetype>(stored->value.size())));
}

void CreateOptionsMenu::AnimatedPicture(std::shared_ptr<const AnimatedPart> part)
{
    choices_.AnimatedPicture(std::move(part));
    ShowChoices();
}

void CreateOptionsMenu::ShowChoices()
{
    Action(choices_.Quality())->setChecked(true);
    Action(choices_.Fit())->setChecked(true);
    Action(choices_.Animation())->setChecked(true);
    Action(choices_.Border())->setChecked(true);
    QAction* keep = Action(LogoAnimationChoice::Keep);
    keep->setVisible(choices_.KeepOffered());
    keep->setEnabled(choices_.KeepOffered());
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
