#include "creator/window/CreateOptionsMenu.h"

#include "desktop/SettingsStore.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QMenu>

namespace quillmere {

namespace {

const QString kQualityKey = QStringLiteral("Quality");
const QString kFitKey = QStringLiteral("Fit");

std::string Stored(const SettingsStore& settings, const QString& key)
{
    return settings.Read(key).toStdString();
}

} // namespace

ConversionOptions StoredConversionOptions(const SettingsStore& settings)
{
    ConversionOptions options;
    options.quality = LogoQualityNamed(Stored(settings, kQualityKey)).value_or(options.quality);
    options.fit = LogoFitNamed(Stored(settings, kFitKey)).value_or(options.fit);
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
    return words.join(QStringLiteral(", "));
}

CreateOptionsMenu::CreateOptionsMenu(SettingsStore& settings, QAbstractButton& button)
    : QObject(&button), settings_(settings), menu_(new QMenu(&button))
{
    menu_->setObjectName(QStringLiteral("mnuCreateOptions"));
    const ConversionOptions stored = StoredConversionOptions(settings_);

    // One group a choice, so exactly one entry of each is checked; a choice is
    // kept at once, as the window's folders are.
    const auto addGroup = [this](const QString& title, const QString& key, std::initializer_list<QString> captions,
                                 std::initializer_list<const char*> names, int checked, QAction** actions) {
        menu_->addSection(title);
        auto* group = new QActionGroup(menu_);
        int i = 0;
        auto name = names.begin();
        for (const QString& caption : captions) {
            QAction* action = menu_->addAction(caption);
            action->setCheckable(true);
            action->setChecked(i == checked);
            group->addAction(action);
            const QString value = QString::fromLatin1(*name++);
            connect(action, &QAction::triggered, this, [this, key, value] { settings_.Write(key, value); });
            actions[i++] = action;
        }
    };
    addGroup(QStringLiteral("Quality"), kQualityKey,
             {QStringLiteral("&Exact (the standard conversion)"), QStringLiteral("&Best colours")},
             {NameOf(LogoQuality::Exact), NameOf(LogoQuality::Best)}, static_cast<int>(stored.quality), quality_);
    addGroup(QStringLiteral("Fit to the 4:3 screen"), kFitKey,
             {QStringLiteral("&Stretch"), QStringLiteral("&Crop to 4:3"), QStringLiteral("&Pad to 4:3 with black")},
             {NameOf(LogoFit::Stretch), NameOf(LogoFit::Crop), NameOf(LogoFit::Pad)}, static_cast<int>(stored.fit),
             fit_);

    button.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&button, &QWidget::customContextMenuRequested, this,
            [this, &button](const QPoint& at) { menu_->popup(button.mapToGlobal(at)); });
}

ConversionOptions CreateOptionsMenu::Options() const
{
    ConversionOptions options;
    for (int i = 0; i < 2; ++i) {
        if (quality_[i]->isChecked())
            options.quality = static_cast<LogoQuality>(i);
    }
    for (int i = 0; i < 3; ++i) {
        if (fit_[i]->isChecked())
            options.fit = static_cast<LogoFit>(i);
    }
    return options;
}

QAction* CreateOptionsMenu::Action(LogoQuality quality) const { return quality_[static_cast<int>(quality)]; }
QAction* CreateOptionsMenu::Action(LogoFit fit) const { return fit_[static_cast<int>(fit)]; }

} // namespace quillmere
