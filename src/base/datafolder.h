#pragma once

#include <QString>

// The folder that holds settings.ini, temp.txt and remember.txt: the executable's
// own folder when it can be written to, otherwise the per-user data location.
// Everything that touches those files takes the folder as a value, so tests and
// the command-line program can point it anywhere.
QString defaultDataFolder();

// The path of `fileName` inside `folder`.
QString dataFile(const QString &folder, const QString &fileName);

inline constexpr const char *kSettingsFileName = "settings.ini";
inline constexpr const char *kTempFileName = "temp.txt";
inline constexpr const char *kRememberFileName = "remember.txt";
