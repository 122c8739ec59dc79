#pragma once

#include <QString>
#include <QStringView>

struct ProgramOptions;

// Option boxes are read with leadingNumber (base/textnumber.h): a text that
// does not begin with a number counts as 0.

// Whether the text begins with a number at all (after blanks and a sign).
bool startsWithNumber(QStringView text);

// Rounds halves to the even neighbour (2.5 -> 2, 3.5 -> 4), as whole-number
// conversions of the option values do.
qint64 roundHalfEven(double value);

// The run's percentage: processed / run count, rounded halves to even, kept
// within 0..100 (a late second result for a name can push processed past the count).
qint64 progressPercent(qint32 processed, qint32 runCount);

// Reads an option box and corrects it in place when out of range: below `low`
// the text becomes `low`, above `high` it becomes `highText`. Returns the value
// in force after the correction.
double clampOptionText(QString &text, double low, double high, const QString &highText);

// Each returns the value in force and corrects the box text when out of range.
double clampConnections(ProgramOptions &options); // 1..500
qint32 clampTimeoutMs(ProgramOptions &options);   // 1..60 seconds, in milliseconds
quint8 clampRetryLimit(ProgramOptions &options);  // 1..200; above 200 resets to 10
qint32 clampBlueLimit(ProgramOptions &options);   // 1..100000 days

inline constexpr int kMaxConnections = 500;
inline constexpr int kAdvisedConnections = 100;
