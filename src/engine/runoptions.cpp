#include "runoptions.h"

#include "base/textnumber.h"
#include "config/programoptions.h"

#include <algorithm>
#include <cmath>

namespace {

qsizetype skipBlanks(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' || text[i] == u'\r'))
        ++i;
    return i;
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

bool startsWithNumber(QStringView text)
{
    qsizetype i = skipBlanks(text);
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    if (i < text.size() && text[i] == u'.')
        ++i;
    return i < text.size() && isAsciiDigit(text[i]);
}

qint64 roundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double diff = value - floor;
    double result = floor;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0))
        result = floor + 1;
    return static_cast<qint64>(result);
}

qint64 progressPercent(qint32 processed, qint32 runCount)
{
    const double ratio = runCount > 0 ? static_cast<double>(processed) / runCount * 100.0 : 0.0;
    return std::clamp<qint64>(roundHalfEven(ratio), 0, 100);
}

double clampOptionText(QString &text, double low, double high, const QString &highText)
{
    const double value = leadingNumber(text);
    if (value < low) {
        text = QString::number(static_cast<qint64>(low));
        return low;
    }
    if (value > high) {
        text = highText;
        return leadingNumber(highText);
    }
    return value;
}

double clampConnections(ProgramOptions &options)
{
    return clampOptionText(options.connections, 1, kMaxConnections, QString::number(kMaxConnections));
}

qint32 clampTimeoutMs(ProgramOptions &options)
{
    const double seconds = clampOptionText(options.timeoutSecs, 1, 60, QStringLiteral("60"));
    return static_cast<qint32>(roundHalfEven(seconds * 1000));
}

quint8 clampRetryLimit(ProgramOptions &options)
{
    // A count above the range goes back to the usual 10, not to the maximum.
    const double value = clampOptionText(options.retryTimes, 1, 200, QStringLiteral("10"));
    return static_cast<quint8>(roundHalfEven(value));
}

qint32 clampBlueLimit(ProgramOptions &options)
{
    const double value = clampOptionText(options.expireDays, 1, 100000, QStringLiteral("100000"));
    return static_cast<qint32>(roundHalfEven(value));
}
