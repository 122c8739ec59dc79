#include "extrasettings.h"

#include "base/datafolder.h"

ExtraSettings::ExtraSettings(const QString &dataFolder)
    : m_settings(std::make_unique<QSettings>(
          dataFile(dataFolder, QString::fromLatin1(kExtraSettingsFileName)), QSettings::IniFormat))
{
}

ExtraSettings::~ExtraSettings() = default;

QVariant ExtraSettings::value(const QString &key, const QVariant &defaultValue) const
{
    return m_settings->value(key, defaultValue);
}

QString ExtraSettings::text(const QString &key, const QString &defaultValue) const
{
    return m_settings->value(key, defaultValue).toString();
}

bool ExtraSettings::flag(const QString &key, bool defaultValue) const
{
    if (!m_settings->contains(key))
        return defaultValue;
    const QString v = m_settings->value(key).toString().trimmed().toLower();
    if (v == QLatin1String("true") || v == QLatin1String("1") || v == QLatin1String("yes") ||
        v == QLatin1String("on"))
        return true;
    if (v == QLatin1String("false") || v == QLatin1String("0") || v == QLatin1String("no") ||
        v == QLatin1String("off"))
        return false;
    return defaultValue;
}

void ExtraSettings::setValue(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
}

bool ExtraSettings::contains(const QString &key) const
{
    return m_settings->contains(key);
}

QString ExtraSettings::save()
{
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
    return m_settings->fileName();
}
