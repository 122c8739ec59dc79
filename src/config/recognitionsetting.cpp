#include "recognitionsetting.h"

#include "extrasettings.h"

bool recognitionSetting(const ExtraSettings &extra, QString *problem)
{
    if (!extra.contains(kRecognitionKey))
        return true;
    const QString text = extra.text(kRecognitionKey).trimmed();
    if (const std::optional<bool> on = ExtraSettings::switchValue(text))
        return *on;
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
