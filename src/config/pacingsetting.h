#pragma once

#include <QString>

#include <optional>

class ExtraSettings;

// How a check run paces its queries, from quorvane.ini: `pacing/mode` is
// adaptive (each server's pace is found and kept from its throttling) or off
// (each query as soon as a slot is free); `pacing/patience` is how many seconds
// a server may answer nothing but throttling before its waiting names are given up.
inline const QString kPacingModeKey = QStringLiteral("pacing/mode");
inline const QString kPacingPatienceKey = QStringLiteral("pacing/patience");
inline constexpr qint64 kDefaultPatienceMs = 10 * 60 * 1000;

struct PacingSetting {
    bool adaptive = true;
    qint64 patienceMs = kDefaultPatienceMs;
    QString problem; // a value that was not understood, and what is used instead
};

PacingSetting pacingSetting(const ExtraSettings &extra);
// "adaptive" or "off" (any letter case); nullopt for anything else.
std::optional<bool> parsePacingMode(const QString &text);
