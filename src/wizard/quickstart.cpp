#include "quickstart.h"

#include "config/programoptions.h"

#include <algorithm>

const std::array<ConnectionSpeed, kConnectionSpeedCount> &connectionSpeeds()
{
    static const std::array<ConnectionSpeed, kConnectionSpeedCount> speeds{{
        {QStringLiteral("Very slow (56 Kbps)"), QStringLiteral("Dial-UP connection"),
         QStringLiteral("very slow (56 Kbps) connection"), QStringLiteral("5"), QStringLiteral("20")},
        {QStringLiteral("Slow (112 Kbps)"), QStringLiteral("ISDN connection"),
         QStringLiteral("slow (112 Kbps) connection"), QStringLiteral("10"), QStringLiteral("15")},
        {QStringLiteral("Medium (512 Kbps)"), QStringLiteral("Average personal broadband connection"),
         QStringLiteral("medium (512 Kbps) connection"), QStringLiteral("25"), QStringLiteral("10")},
        {QStringLiteral("Fast (1 Mbps)"), QStringLiteral("Fast Cable/ADSL connection"),
         QStringLiteral("fast (1 Mbps) connection"), QStringLiteral("50"), QStringLiteral("10")},
        {QStringLiteral("Very fast (10 Mbps)"), QStringLiteral("High speed dedicated connection"),
         QStringLiteral("very fast (10 Mbps) connection"), QStringLiteral("100"), QStringLiteral("10")},
    }};
    return speeds;
}

namespace {

const ConnectionSpeed &speedRow(int speed)
{
    return connectionSpeeds()[static_cast<size_t>(std::clamp(speed, 0, kConnectionSpeedCount - 1))];
}

} // namespace

QString quickStartSummary(int domainCount, int speed)
{
    return QStringLiteral("The program will now begin to check ") + QString::number(domainCount) +
           QStringLiteral(" domains.\r\n\r\nYou have selected that you are on a ") + speedRow(speed).summary +
           QStringLiteral(".\r\n\r\nIf everything looks ok, click 'Finish' to start.");
}

void applyQuickStartSettings(ProgramOptions &options, int speed)
{
    const ConnectionSpeed &row = speedRow(speed);
    options.retry = true;
    options.checkSelected = false;
    options.expireDays = QStringLiteral("30");
    options.connections = row.connections;
    options.timeoutSecs = row.timeoutSecs;
}
