#include "progress.h"

#include "runhost.h"
#include "runoptions.h"
#include "runsession.h"
#include "runstate.h"

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
}

void showIdleCounters(RunHost &host, const RunState &run, int rows)
{
    showCounts(host, run, rows);
}
