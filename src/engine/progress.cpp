#include "progress.h"

#include "runhost.h"
#include "runoptions.h"
#include "runsession.h"
#include "runstate.h"
#include "ticks.h"

namespace {

void showCounts(RunHost &host, const RunState &run, qint64 domains)
{
    host.showCounters(QString::number(domains) + QStringLiteral(" domains"),
                      QString::number(run.freeCount) + QStringLiteral(" free"),
                      QString::number(run.takenCount) + QStringLiteral(" taken"),
                      QString::number(run.uncheckedCount) + QStringLiteral(" unchecked/errors"));
}

} // namespace

void showRunProgress(RunHost &host, const RunState &run, const RunSession &session)
{
    const qint64 percent = progressPercent(session.processed, session.totalCount());
    host.showProgress(QString::number(percent) + u'%', static_cast<int>(session.progressUnit * percent));
    showCounts(host, run, session.totalCount());
    host.showWaiting(waitingText(session));
}

void showIdleCounters(RunHost &host, const RunState &run, int rows)
{
    showCounts(host, run, rows);
}

QString waitingText(const RunSession &session)
{
    if (session.waitingCount <= 0)
        return {};
    auto most = session.waiting.constBegin();
    for (auto it = session.waiting.constBegin(); it != session.waiting.constEnd(); ++it) {
        if (it->names.size() > most->names.size() ||
            (it->names.size() == most->names.size() && it.key() < most.key()))
            most = it;
    }
    if (most == session.waiting.constEnd())
        return {};
    // A terminal line has room for the counters and this; a long server name is cut.
    constexpr qsizetype kServerChars = 40;
    QString server = most.key();
    if (server.size() > kServerChars)
        server = server.left(kServerChars - 3) + QStringLiteral("...");
    QString text = QStringLiteral("%1 waiting for %2").arg(most->names.size()).arg(server);
    if (most->hasTurn) {
        const qint32 left = ticksSince(most->dueAt, session.paceNow());
        text += left > 0 ? QStringLiteral(" (next in %1 s)").arg((left + 999) / 1000)
                         : QStringLiteral(" (next now)");
    }
    if (const qsizetype more = session.waiting.size() - 1; more > 0)
        text +=
            QStringLiteral(" +%1 more server%2").arg(more).arg(more == 1 ? QString() : QStringLiteral("s"));
    return text;
}
