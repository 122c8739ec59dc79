#include "extrasettings.h"

#include "base/datafolder.h"
#include "base/regularfile.h"

ExtraSettings::ExtraSettings(const QString &dataFolder)
    : m_path(dataFile(dataFolder, QString::fromLatin1(kExtraSettingsFileName)))
{
    const QString why = regularFileProblem(m_path, kMaxFileBytes);
    if (why.isEmpty()) {
        m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
        return;
    }
    // The session's settings then live in memory only.
    m_problem =
        QStringLiteral("%1 cannot be used (%2); its settings keep their defaults, and it is not written.")
            .arg(m_path, why);
}

ExtraSettings::~ExtraSettings() = default;

QVariant ExtraSettings::value(const QString &key, const QVariant &defaultValue) const
{
    if (!m_settings)
        return m_memory.value(key, defaultValue);
    return m_settings->value(key, defaultValue);
}

QString ExtraSettings::text(const QString &key, const QString &defaultValue) const
{
    return value(key, defaultValue).toString();
}

bool ExtraSettings::flag(const QString &key, bool defaultValue) const
{
    if (!contains(key))
        return defaultValue;
    return switchValue(value(key).toString()).value_or(defaultValue);
}

std::optional<bool> ExtraSettings::switchValue(const QString &text)
{
    const QString v = text.trimmed().toLower();
    if (v == QLatin1String("true") || v == QLatin1String("1") || v == QLatin1String("yes") ||
        v == QLatin1String("on"))
        return true;
    if (v == QLatin1String("false") || v == QLatin1String("0") || v == QLatin1String("no") ||
        v == QLatin1String("off"))
        return false;
    return std::nullopt;
}

void ExtraSettings::setValue(const QString &key, const QVariant &value)
{
    if (!m_settings) {
        m_changed = true;
        m_memory.insert(key, value);
        return;
    }
    m_settings->setValue(key, value);
}

bool ExtraSettings::contains(const QString &key) const
{
    return m_settings ? m_settings->contains(key) : m_memory.contains(key);
}

QStringList ExtraSettings::childKeys(const QString &group) const
{
    if (!m_settings) {
        QStringList keys;
        const QString prefix = group + u'/';
        for (auto it = m_memory.cbegin(); it != m_memory.cend(); ++it) {
            if (it.key().startsWith(prefix) && !it.key().sliced(prefix.size()).contains(u'/'))
                keys << it.key().sliced(prefix.size());
        }
        return keys;
    }
    m_settings->beginGroup(group);
    const QStringList keys = m_settings->childKeys();
    m_settings->endGroup();
    return keys;
}

QString ExtraSettings::save()
{
    if (!m_settings) {
        // Reported at the start; only changes the user made since are worth a word.
        if (!m_changed)
            return {};
        return QStringLiteral("%1 is not a regular file; the changed settings were not saved.").arg(m_path);
    }
    m_settings->sync();
    switch (m_settings->status()) {
    case QSettings::NoError:
        return {};
    case QSettings::AccessError:
        return QStringLiteral("cannot write %1").arg(path());
    case QSettings::FormatError:
        return QStringLiteral("%1 is not a valid settings file").arg(path());
    }
    return {};
}

QString ExtraSettings::path() const
{
    return m_settings ? m_settings->fileName() : m_path;
}
