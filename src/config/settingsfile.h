#pragma once

#include <QString>

struct WhoisConfig;
struct ProgramOptions;
class Prompter;

// settings.ini in the data folder: the WHOIS configuration and thirteen option
// lines, CR LF ends, 0x01 between the fields of a table row.

// Replaces configuration and options from the file. Silent: a missing or
// malformed file leaves in force whatever was read before the failure.
void LoadSettings(const QString &dataFolder, WhoisConfig &config, ProgramOptions &options);

// Why settings.ini in the data folder is there but cannot be read (a folder,
// no permission), for a caller that tells the user the built-in configuration
// is in force instead; empty when the file can be read or does not exist.
QString settingsReadError(const QString &dataFolder);

// Writes the file. The previous file is replaced only once the new one is
// complete, so a failed save never leaves a truncated file behind. On failure
// shows the critical message through `prompter` and returns false.
bool SaveSettings(const QString &dataFolder, const WhoisConfig &config, const ProgramOptions &options,
                  Prompter &prompter);

// First line of the message a failed save shows.
inline const QString kSettingsSaveError =
    QStringLiteral("The following error ocurred while trying to load your settings.");
