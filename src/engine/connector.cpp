#include "connector.h"

#include "checkengine.h"
#include "checktexts.h"
#include "converter.h"
#include "domainsyntax.h"
#include "engine/appcontext.h"
#include "runhost.h"

connector::connector(CheckEngine &engine)
    : m_engine(engine)
{
}

QString connector::getext(const QString &name) const
{
    return m_engine.m_ctx.run.suffixes.getext(name);
}

void connector::parsedom(std::array<QString, 3> &parts) const
{
    ::parsedom(parts);
}

QString connector::converter(const QString &text) const
{
    return ::converter(text);
}

void connector::nextdomain(qint16 &slot)
{
    CheckEngine &e = m_engine;
    RunState &run = e.m_ctx.run;
    if (run.stopped || !e.validSlot(slot))
        return;
    ConnectionSlot &s = e.m_slots[static_cast<size_t>(slot)];
    try {
        s.lastActivity = e.now();
        if (run.nextIndex >= run.runCount) {
            e.slotRanOut(slot);
            return;
        }

        if (static_cast<qint32>(static_cast<quint32>(s.lastActivity) -
                                static_cast<quint32>(run.lastRefresh)) > CheckEngine::kRefreshIntervalMs) {
            e.updater();
            run.lastRefresh = s.lastActivity;
            // With hundreds of busy slots the timers alone could keep the window
            // from repainting; this is the one place the run yields to it.
            const quint32 generation = e.m_generation;
            e.m_host.processEvents();
            // Events handled just now may have ended this run (or started another),
            // or taken the last names.
            if (run.stopped || generation != e.m_generation)
                return;
            if (run.nextIndex >= run.runCount) {
                e.slotRanOut(slot);
                return;
            }
        }

        if (++run.panelLines >= CheckEngine::kPanelLineLimit) {
            e.m_host.clearPanelNames();
            run.panelLines = 0;
        }
        e.m_host.printPanelName(s.name);

        s.name = run.runNames[run.nextIndex];
        ++run.nextIndex;
        s.retries = 0;
        // An exact-match flag left by the previous name's last retry belongs to that name.
        s.exactMatchRetry = false;
        s.reply.clear();

        std::array<QString, 3> parts{s.name, QString(), QString()};
        parsedom(parts);
        if (parts[0] != QLatin1String("1")) {
            e.finishName(slot, cellText::notAvailable(), cellText::notAvailable(),
                         checkText::kInvalidDomainFormat);
            return;
        }

        s.tld = getext(s.name);
        s.query = registrablePart(s.name, s.tld);
        s.serverIndex = 0;
        s.tldIndex = findTldRecord(run.tldServerRecords, s.tld);
        if (s.tldIndex < 0) {
            e.finishName(slot, cellText::notAvailable(), cellText::notAvailable(), checkText::kNoTldInfo);
            return;
        }
        e.connectSlot(slot);
    } catch (...) {
        e.handleFailure(slot, checkText::kMainConnectionError);
    }
}

void connector::retryconnection(qint16 &slot)
{
    CheckEngine &e = m_engine;
    RunState &run = e.m_ctx.run;
    if (run.stopped || !e.validSlot(slot))
        return;
    ConnectionSlot &s = e.m_slots[static_cast<size_t>(slot)];
    try {
        s.lastActivity = e.now();
        ++s.retries;
        const TldServerRecord &record = run.tldServerRecords.at(static_cast<size_t>(s.tldIndex));
        const qint32 serverCount =
            std::max<qint32>(1, std::min<qint32>(record.serverCount, record.servers.size()));
        if (++s.serverIndex >= serverCount)
            s.serverIndex = 0;
        e.connectSlot(slot);
    } catch (...) {
        e.handleFailure(slot, checkText::kConnectionRetryError);
    }
}
