#include "recognitionsetting.h"

#include "extrasettings.h"

bool recognitionSetting(const ExtraSettings &extra, QString *problem)
{
    if (!extra.contains(kRecognitionKey))
        return true;
    const QString text = extra.text(kRecognitionKey).trimmed();
    const QString v = text.toLower();
    if (v == QLatin1String("true") || v == QLatin1String("1") || v == QLatin1String("yes") ||
        v == QLatin1String("on"))
        return true;
    if (v == QLatin1String("false") || v == QLatin1String("0") || v == QLatin1String("no") ||
        v == QLatin1String("off"))
        return false;
    if (problem)
        *problem = QStringLiteral("%1: %2 in %3 is not true or false; the recognition of registry replies "
                                  "stays on")
                       .arg(text, kRecognitionKey, extra.path());
    return true;
}

void setRecognitionSetting(ExtraSettings &extra, bool on)
{
    extra.setValue(kRecognitionKey, on);
}
