#include "desktop/SettingsStore.h"

#include <QSettings>

namespace quillmere {

namespace {
const QString kOrganisation = QStringLiteral("Quillmere");
const QString kApplication = QStringLiteral("Quillmere");
const QString kGroup = QStringLiteral("Presets");
} // namespace

QString QtSettingsStore::Read(const QString& key, const QString& fallback) const
{
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(kGroup);
    return settings.value(key, fallback).toString();
}

void QtSettingsStore::Write(const QString& key, const QString& value)
{
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(kGroup);
    settings.setValue(key, value);
}

} // namespace quillmere
