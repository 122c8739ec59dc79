#include "pacingsetting.h"

#include "extrasettings.h"

std::optional<bool> parsePacingMode(const QString &text)
{
    const QString v = text.trimmed().toLower();
    if (v == QLatin1String("adaptive"))
        return true;
    if (v == QLatin1String("off"))
        return false;
    return std::nullopt;
}

void setPacingMode(ExtraSettings &extra, bool adaptive)
{
    extra.setValue(kPacingModeKey, adaptive ? QStringLiteral("adaptive") : QStringLiteral("off"));
}

PacingSetting pacingSetting(const ExtraSettings &extra)
{
    PacingSetting setting;
    QStringList problems;
    if (extra.contains(kPacingModeKey)) {
        const QString text = extra.text(kPacingModeKey);
        if (const auto mode = parsePacingMode(text))
            setting.adaptive = *mode;
        else
            problems << QStringLiteral("%1: %2 in %3 is not adaptive or off; pacing stays adaptive")
                            .arg(text.trimmed(), kPacingModeKey, extra.path());
    }
    if (extra.contains(kPacingPatienceKey)) {
        const QString text = extra.text(kPacingPatienceKey).trimmed();
        bool ok = false;
        const double seconds = text.toDouble(&ok);
        if (ok && seconds > 0 && seconds <= 7 * 24 * 3600)
            setting.patienceMs = static_cast<qint64>(seconds * 1000);
        else
            problems << QStringLiteral("%1: %2 in %3 is not a number of seconds; the patience stays 600")
                            .arg(text, kPacingPatienceKey, extra.path());
    }
    setting.problem = problems.join(QLatin1Char('\n'));
    return setting;
}
