#pragma once

#include "engine/appcontext.h"
#include "engine/checkengine.h"
#include "engine/checktexts.h"
#include "sources/adddomain.h"
#include "support/fakeclock.h"
#include "support/fakerunhost.h"
#include "support/loopbackwhoisserver.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

// The names <prefix>0.<tld> .. <prefix><count-1>.<tld>.
inline QStringList nameSeries(int count, const QString &prefix = QStringLiteral("n"),
                              const QString &tld = QStringLiteral("com"))
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << prefix + QString::number(i) + u'.' + tld;
    return names;
}

// An allowance of `perSecond` queries in every second from the first of a window.
struct ScriptedAllowance {
    int perSecond;
    QElapsedTimer clock;
    qint64 windowStart = 0;
    int inWindow = 0, answered = 0, refused = 0;

    explicit ScriptedAllowance(int perSecond)
        : perSecond(perSecond)
    {
        clock.start();
    }
    bool allows()
    {
        const qint64 t = clock.elapsed();
        if (t - windowStart >= 1000) {
            windowStart = t;
            inWindow = 0;
        }
        const bool ok = ++inWindow <= perSecond;
        ++(ok ? answered : refused);
        return ok;
    }
};

// One program's worth of state around a check engine, with a fixed date and a clock that only moves
// when a test says so; `comServers`, when given, serve .com.
struct EngineHarness {
    TempDataFolder folder;
    ScriptedPrompter prompter;
    FakeClock clock{QDate(2026, 1, 15)};
    AppContext ctx{folder.path(), prompter, clock};
    FakeRunHost host;
    CheckEngine engine{ctx, host};
    QSignalSpy ended{&engine, &CheckEngine::runEnded};

    explicit EngineHarness(const QStringList &comServers = {})
    {
        ctx.config.freeResponses = {QStringLiteral("no match for")};
        ctx.config.errorResponses = {QStringLiteral("limit exceeded")};
        ctx.options.retry = false;
        if (!comServers.isEmpty())
            serve(QStringLiteral("com"), comServers);
    }
    void serve(const QString &tld, const QStringList &servers, const QString &freeResponse = {})
    {
        QVERIFY(ctx.config.table.AddTldEntry(tld, servers.join(u','), freeResponse));
    }
    void add(const QStringList &names)
    {
        ctx.run.suffixes.mylist(ctx.config.table.tlds());
        for (QString n : names)
            adddomain(ctx.list, ctx.run.suffixes, n);
    }
    bool start()
    {
        ctx.run.skipConfirmation = true;
        engine.allstarter();
        return engine.running();
    }
    bool waitDone()
    {
        return QTest::qWaitFor([this] { return !engine.running(); }, 60000);
    }
    bool run() { return start() && waitDone(); }
    // The cells of `column` for `names`, joined by "|".
    QString cells(int column, const QStringList &names) const
    {
        QStringList out;
        for (const QString &name : names) {
            const int r = ctx.list.rowOfKey(name);
            out << (r < 0 ? QStringLiteral("(missing)") : ctx.list.rowAt(r).cells[column]);
        }
        return out.join(u'|');
    }
    QByteArray work() const { return folder.read(QStringLiteral("temp.txt")); }
};
