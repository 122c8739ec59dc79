#pragma once

#include <QHash>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

// Settings that settings.ini has no line for (hosts of outside services, switches
// of features it does not know) live in quorvane.ini in the data folder, an INI
// file a user can also edit by hand. settings.ini itself keeps its exact layout.
//
// Each subsystem names its own keys ("harvest/host", "check/recognition") and
// validates what it reads: a value it cannot use falls back to its default and
// is reported where the subsystem reports problems.
//
// A quorvane.ini that is not a regular file of reasonable size (a named pipe,
// a link to a device, a folder) is neither read nor written: every setting
// keeps its default for the session, and problem() says why.
class ExtraSettings
{
public:
    // Far beyond what the program writes; a larger file is not one of ours.
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    explicit ExtraSettings(const QString &dataFolder);
    ~ExtraSettings();

    QVariant value(const QString &key, const QVariant &defaultValue = {}) const;
    QString text(const QString &key, const QString &defaultValue = {}) const;
    bool flag(const QString &key, bool defaultValue) const;
    // A switch written by hand: true/false, 1/0, yes/no, on/off, in any case and
    // with blanks around; nothing for any other text.
    static std::optional<bool> switchValue(const QString &text);
    void setValue(const QString &key, const QVariant &value);
    bool contains(const QString &key) const;
    // The keys of a section ("pacing" for [pacing]), as written in the file.
    QStringList childKeys(const QString &group) const;

    // Writes pending changes; the reason on failure, empty on success.
    QString save();

    QString path() const;
    // Why the file is not used, empty when it is.
    const QString &problem() const { return m_problem; }

private:
    QString m_path;
    QString m_problem;
    // The file, or (when it cannot be used) the session's values in memory.
    std::unique_ptr<QSettings> m_settings;
    QVariantHash m_memory;
    bool m_changed = false;
};

inline constexpr const char *kExtraSettingsFileName = "quorvane.ini";
