#pragma once

#include <QString>

class ExtraSettings;

// The switch of the program's own recognition of registry replies (what the
// configured response strings leave as taken may still be read as free,
// throttled or dated). It lives in quorvane.ini; on unless switched off there,
// on the Config window's Settings tab, or by `quorvane-cli check
// --configured-strings-only`.
inline const QString kRecognitionKey = QStringLiteral("check/recognition");

// Whether the recognition is on. A value that is no switch is described in
// `problem` (when given) and the default, on, is used.
bool recognitionSetting(const ExtraSettings &extra, QString *problem = nullptr);
void setRecognitionSetting(ExtraSettings &extra, bool on);

inline const QString kRecognitionCaption =
    QStringLiteral("Recognise today's registry replies beyond the configured response strings");
inline const QString kRecognitionToolTip = QStringLiteral(
    "When the configured response strings leave a reply as taken, the program also reads it the way "
    "current registries write: \"not registered\" statements make the name free, throttling and refusals "
    "are retried on the next server like an error response, and expiry dates are read in more forms. "
    "The configured strings always decide first.");
