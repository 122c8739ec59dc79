#pragma once

#include <QString>
#include <QStringList>

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
void setPacingMode(ExtraSettings &extra, bool adaptive);

// The Config window's row for the mode: its caption and its choices, adaptive first.
inline const QString kPacingModeCaption = QStringLiteral("Pace the queries to each server:");
inline const QStringList kPacingModeChoices{
    QStringLiteral("Adaptive: keep to known allowances, slow down when a server throttles"),
    QStringLiteral("Off: each query as soon as a connection is free"),
};
inline const QString kPacingModeToolTip = QStringLiteral(
    "Registries limit how fast one address may ask them. Adaptive keeps each server to its published "
    "allowance (and to those in the [pacing] section of quorvane.ini), slows down when a server throttles, "
    "and writes the names of a server whose daily allowance is used up as unchecked. Off asks as fast as "
    "connections come, and a throttling notice is an error response.");
