#pragma once

#include <QString>

// The folder that holds settings.ini, temp.txt and remember.txt: the executable's
// own folder when it can be written to and is no system program folder,
// otherwise the per-user data location. Everything that touches those files
// takes the folder as a value, so tests and the command-line program can point
// it anywhere.
QString defaultDataFolder();

// Whether `folder` is one the system keeps its programs in: the folder the build
// installs into, /usr/bin or /usr/local/bin (symbolic links followed). A program
// installed there keeps its files in the per-user folder even when it may write
// beside itself (run by root), so no settings or work files land among the
// system's programs, where the package manager neither expects nor removes them.
bool isSystemProgramFolder(const QString &folder);

// The path of `fileName` inside `folder`.
QString dataFile(const QString &folder, const QString &fileName);

inline constexpr const char *kSettingsFileName = "settings.ini";
inline constexpr const char *kTempFileName = "temp.txt";
inline constexpr const char *kRememberFileName = "remember.txt";
