#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>

// Settings that settings.ini has no line for (hosts of outside services, switches
// of features it does not know) live in quorvane.ini in the data folder, an INI
// file a user can also edit by hand. settings.ini itself keeps its exact layout.
//
// Each subsystem names its own keys ("harvest/host", "check/recognition") and
// validates what it reads: a value it cannot use falls back to its default and
// is reported where the subsystem reports problems.
class ExtraSettings
{
public:
    explicit ExtraSettings(const QString &dataFolder);
    ~ExtraSettings();

    QVariant value(const QString &key, const QVariant &defaultValue = {}) const;
    QString text(const QString &key, const QString &defaultValue = {}) const;
    bool flag(const QString &key, bool defaultValue) const;
    void setValue(const QString &key, const QVariant &value);
    bool contains(const QString &key) const;

    // Writes pending changes; the reason on failure, empty on success.
    QString save();

    QString path() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

inline constexpr const char *kExtraSettingsFileName = "quorvane.ini";
