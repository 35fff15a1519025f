// The per-user settings of the windows: plain string values under a key of the
// "Presets" group ("CPath", "SavePath" of the Logo Creator; "Path", "WPath",
// "SPath" of the Logo Manager). Windows reach the store through this interface
// so that tests give them a store in memory and never the user's own.
#pragma once

#include <QString>

#include <map>

namespace quillmere {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored value, or fallback when the key has none.
    virtual QString Read(const QString& key, const QString& fallback = {}) const = 0;
    virtual void Write(const QString& key, const QString& value) = 0;
};

// QSettings with organisation and application "Quillmere", group "Presets".
class QtSettingsStore final : public SettingsStore {
public:
    QString Read(const QString& key, const QString& fallback = {}) const override;
    void Write(const QString& key, const QString& value) override;
};

// Keeps the values in memory: for tests, and for a run that must not touch the
// user's settings.
class MemorySettingsStore final : public SettingsStore {
public:
    QString Read(const QString& key, const QString& fallback = {}) const override
    {
        const auto it = values.find(key);
        return it == values.end() ? fallback : it->second;
    }
    void Write(const QString& key, const QString& value) override { values[key] = value; }

    std::map<QString, QString> values;
};

} // namespace quillmere
