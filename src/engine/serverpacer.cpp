#include "serverpacer.h"

#include "checktexts.h"
#include "replybytes.h"
#include "ticks.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>

namespace {

using replybytes::isDigit;

// The number that begins at `from` (after blanks), or nullopt.
std::optional<qint64> numberAt(QByteArrayView text, qsizetype from, qsizetype *end = nullptr)
{
    while (from < text.size() && text[from] == ' ')
        ++from;
    qsizetype i = from;
    qint64 value = 0;
    while (i < text.size() && isDigit(text[i]) && value < 100000000) {
        value = value * 10 + (text[i] - '0');
        ++i;
    }
    if (i == from)
        return std::nullopt;
    if (end)
        *end = i;
    return value;
}

// A unit word after a number ("30 seconds", "10-second"): its length in milliseconds, 0 when none.
qint64 unitMs(QByteArrayView text, qsizetype from)
{
    while (from < text.size() && (text[from] == ' ' || text[from] == '-'))
        ++from;
    const QByteArrayView rest = text.sliced(std::min(from, text.size()));
    if (rest.startsWith("sec") || rest.startsWith("s ") || rest.startsWith("s.") || rest == "s")
        return 1000;
    if (rest.startsWith("min"))
        return 60 * 1000;
    if (rest.startsWith("hour"))
        return 3600 * 1000;
    return 0;
}

// "24h0m0s", "90s", "1h30m".
std::optional<qint64> durationAt(QByteArrayView text, qsizetype from)
{
    qint64 total = 0;
    bool any = false;
    for (;;) {
        qsizetype end = 0;
        const auto n = numberAt(text, from, &end);
        if (!n || end >= text.size())
            break;
        const char unit = text[end];
        const qint64 ms = unit == 'h' ? 3600000 : unit == 'm' ? 60000 : unit == 's' ? 1000 : 0;
        if (!ms)
            break;
        total += *n * ms;
        any = true;
        from = end + 1;
    }
    return any ? std::optional<qint64>(total) : std::nullopt;
}

constexpr const char *kWaitPhrases[] = {"replenished in", "wait",        "go away for", "grace period of",
                                        "try again in",   "retry after", "blocked for", "banned for"};

} // namespace

ThrottleHint readThrottleHint(QByteArrayView reply)
{
    ThrottleHint hint;
    for (const char *phrase : kWaitPhrases) {
        const QByteArrayView p(phrase);
        for (qsizetype at = reply.indexOf(p); at >= 0; at = reply.indexOf(p, at + 1)) {
            qsizetype end = 0;
            const auto n = numberAt(reply, at + p.size(), &end);
            if (!n)
                continue;
            const qint64 unit = unitMs(reply, end);
            if (unit) {
                hint.waitMs = *n * unit;
                return hint;
            }
        }
    }
    // "please maintain at least 10-second time between queries": a spacing;
    // "wait at least 5 seconds": a wait.
    const QByteArrayView atLeast("at least ");
    for (qsizetype at = reply.indexOf(atLeast); at >= 0; at = reply.indexOf(atLeast, at + 1)) {
        qsizetype end = 0;
        const auto n = numberAt(reply, at + atLeast.size(), &end);
        const qint64 unit = n && *n > 0 ? unitMs(reply, end) : 0;
        if (!unit)
            continue;
        hint.waitMs = *n * unit;
        if (reply.sliced(end).indexOf("between") >= 0)
            hint.ratePerSecond = 1000.0 / static_cast<double>(*hint.waitMs);
        return hint;
    }
    const QByteArrayView after("try again after:");
    if (const qsizetype at = reply.indexOf(after); at >= 0) {
        if (const auto d = durationAt(reply, at + after.size())) {
            hint.waitMs = *d;
            return hint;
        }
    }
    // "only 1 request per second allowed"
    const QByteArrayView only("only ");
    for (qsizetype at = reply.indexOf(only); at >= 0; at = reply.indexOf(only, at + 1)) {
        qsizetype end = 0;
        const auto n = numberAt(reply, at + only.size(), &end);
        if (!n || *n <= 0)
            continue;
        const QByteArrayView rest = reply.sliced(end);
        const qsizetype per = rest.indexOf(" per ");
        if (per < 0 || per > 20)
            continue;
        const qint64 unit = unitMs(rest, per + 5);
        if (unit) {
            hint.ratePerSecond = static_cast<double>(*n) * 1000 / unit;
            hint.waitMs = unit / *n;
            return hint;
        }
    }
    // "maximum queries per hour reached (100)"
    for (const auto &[phrase, unit] : {std::pair{"per second reached", 1000},
                                       {"per minute reached", 60000},
                                       {"per hour reached", 3600000},
                                       {"per day reached", 86400000}}) {
        const QByteArrayView p(phrase);
        const qsizetype at = reply.indexOf(p);
        if (at < 0)
            continue;
        qsizetype i = at + p.size();
        while (i < reply.size() && (reply[i] == ' ' || reply[i] == '('))
            ++i;
        if (const auto n = numberAt(reply, i); n && *n > 0)
            hint.ratePerSecond = static_cast<double>(*n) * 1000 / unit;
        break;
    }
    return hint;
}

qint32 ServerPacer::take(const QString &server, qint32 now, bool hadTurn)
{
    m_lastNow = now;
    Pace &p = m_paces[server];
    const bool backingOff = p.backingOff && ticksSince(p.backOffUntil, now) > 0;
    // A turn given before the server throttled again is not kept.
    if (hadTurn && !backingOff)
        return 0;
    qint32 at = now;
    if (p.waiting && ticksSince(p.nextAt, at) > 0)
        at = p.nextAt;
    if (backingOff && ticksSince(p.backOffUntil, at) > 0)
        at = p.backOffUntil;
    if (std::vector<Window> &windows = windowsOf(server); !windows.empty()) {
        at = roomAt(windows, at);
        reserve(windows, at);
    }
    if (p.rate > 0) {
        // The query has its turn at `at`; the next one comes a rate's step later.
        p.nextAt = at + static_cast<qint32>(std::lround(1000.0 / p.rate));
        p.waiting = true;
    }
    return ticksSince(at, now);
}

void ServerPacer::countAnswer(Pace &p, qint32 now)
{
    const qint32 second = now / 1000;
    const auto at = static_cast<size_t>(second % kAnswerSeconds);
    if (p.answerSecond[at] != second) {
        p.answerSecond[at] = second;
        p.answers[at] = 0;
    }
    ++p.answers[at];
}

double ServerPacer::answering(const Pace &p, qint32 at)
{
    // The fuller of that second and the one before; older answers do not count.
    const auto answersOf = [&p](qint32 second) {
        if (second < 0)
            return 0;
        const auto slot = static_cast<size_t>(second % kAnswerSeconds);
        return p.answerSecond[slot] == second ? p.answers[slot] : 0;
    };
    const qint32 second = at / 1000;
    return std::max(answersOf(second), answersOf(second - 1));
}

void ServerPacer::answered(const QString &server, qint32 now)
{
    Pace &p = m_paces[server];
    countAnswer(p, now);
    p.throttling = false;
    p.backOffs = 0;
    if (p.rate <= 0)
        return;
    if (p.backingOff && ticksSince(p.backOffUntil, now) > 0) {
        // The answer to a query sent before the throttle, read after it: the
        // server answered more than the throttle could count.
        const double answers = answering(p, now);
        if (answers > p.ceiling) {
            p.ceiling = answers;
            p.rate = std::max(p.rate, answers * kCutShare);
            if (p.announced > 0)
                p.rate = std::min(p.rate, p.announced);
        }
    }
    // Up to near the rate the server throttled at, quickly; beyond it, probing,
    // one step every few seconds. Never beyond an allowance the server
    // announced, nor beyond the answers of a second of a server that
    // announced a wait.
    const bool probing = p.rate >= p.ceiling * kCutShare;
    const int needed =
        probing ? std::max(kAnswersPerRaise, static_cast<int>(p.rate * kSecondsPerProbe)) : kAnswersPerRaise;
    if (++p.answersSinceThrottle < needed)
        return;
    p.answersSinceThrottle = 0;
    p.rate += 1;
    if (p.announced > 0)
        p.rate = std::min(p.rate, p.announced);
    // A server that announced a wait punishes a probe with another.
    if (p.waitAnnounced && p.ceiling > 0)
        p.rate = std::min(p.rate, p.ceiling);
}

qint32 ServerPacer::throttled(const QString &server, qint32 now, const ThrottleHint &hint, double jitter,
                              std::optional<qint32> sentAt)
{
    Pace &p = m_paces[server];
    if (!p.throttling) {
        p.throttling = true;
        p.throttledSince = now;
    }
    p.answersSinceThrottle = 0;
    p.lastThrottleAt = now;
    if (hint.ratePerSecond)
        p.announced = *hint.ratePerSecond;
    p.waitAnnounced = p.waitAnnounced || hint.waitMs.has_value();
    if (p.backingOff && ticksSince(p.backOffUntil, now) > 0) {
        // The answer to a query sent before the server's back-off: the same
        // signal again, unless it announces a longer wait.
        if (hint.waitMs) {
            const qint32 until = now + static_cast<qint32>(std::min(*hint.waitMs, kMaxBackOffMs));
            if (ticksSince(until, p.backOffUntil) > 0)
                p.backOffUntil = until;
        }
        return ticksSince(p.backOffUntil, now);
    }
    // Just below what the server was really answering at: a throttle from a
    // query that went out before the last cut (at the earlier rate) finds the
    // server answering as before and cuts no further. Without answers to go
    // by, halved.
    const double answers = answering(p, sentAt.value_or(now));
    if (answers > 0) {
        p.ceiling = answers;
        const double cut = answers * kCutShare;
        p.rate = p.rate > 0 ? std::min(p.rate, cut) : cut;
    } else {
        p.rate = p.rate > 0 ? p.rate / 2 : hint.ratePerSecond.value_or(1.0);
    }
    if (hint.ratePerSecond)
        p.rate = std::min(p.rate, *hint.ratePerSecond);
    p.rate = std::max(p.rate, kMinRate);

    qint64 wait = 0;
    if (hint.waitMs) {
        wait = std::min(*hint.waitMs, kMaxBackOffMs);
    } else {
        const qint64 base = std::min(kFirstBackOffMs << std::min(p.backOffs, 7), kMaxBackOffMs);
        ++p.backOffs;
        wait = std::min<qint64>(kMaxBackOffMs, base + static_cast<qint64>(base * 0.5 * jitter));
    }
    p.backOffUntil = now + static_cast<qint32>(wait);
    p.backingOff = true;
    return static_cast<qint32>(wait);
}

bool ServerPacer::outOfPatience(const QString &server) const
{
    const auto it = m_paces.constFind(server);
    return it != m_paces.constEnd() && it->throttling &&
           ticksSince(it->lastThrottleAt, it->throttledSince) >= m_patienceMs;
}

double ServerPacer::rate(const QString &server) const
{
    return m_paces.value(server).rate;
}

// ---- Known allowances ------------------------------------------------------------------

int ServerPacer::burstAllowance(const QString &server) const
{
    int fewest = 0;
    for (const Allowance &allowance : m_allowances.value(allowanceServerName(server)))
        fewest = fewest == 0 ? allowance.count : std::min(fewest, allowance.count);
    return fewest;
}

std::vector<ServerPacer::Window> &ServerPacer::windowsOf(const QString &server) const
{
    auto it = m_windows.find(server);
    if (it != m_windows.end())
        return *it;
    std::vector<Window> windows;
    for (const Allowance &allowance : m_allowances.value(allowanceServerName(server))) {
        Window w;
        w.allowance = allowance;
        w.counting = allowance.perDay() || allowance.count > Window::kMaxKeptTimes;
        const auto seed = m_ledgerSeeds.constFind(server);
        if (allowance.perDay() && seed != m_ledgerSeeds.constEnd() && m_clockStart.isValid()) {
            // A window that began before this run, in tick time.
            const qint64 start = std::min<qint64>(m_clockStart.msecsTo(seed->start), 0);
            if (start > -allowance.windowMs) {
                w.started = true;
                w.start = static_cast<qint32>(start);
                w.used = seed->count;
            }
        }
        windows.push_back(std::move(w));
    }
    return *m_windows.insert(server, std::move(windows));
}

qint32 ServerPacer::roomAt(const std::vector<Window> &windows, qint32 at)
{
    // A window that pushes the time on may find another full again then.
    for (size_t pass = 0; pass <= windows.size(); ++pass) {
        bool moved = false;
        for (const Window &w : windows) {
            const qint32 length = w.allowance.windowMs;
            qint32 room = at;
            if (w.counting) {
                if (w.started && ticksSince(at, w.start) < length && w.used >= w.allowance.count)
                    room = w.start + length;
            } else if (static_cast<int>(w.sent.size()) >= w.allowance.count) {
                // The oldest of the last `count` must have left the window. A
                // twentieth of it is kept spare: a timer may fire a little early.
                room = w.sent.front() + length + length / 20;
            }
            if (ticksSince(room, at) > 0) {
                at = room;
                moved = true;
            }
        }
        if (!moved)
            break;
    }
    return at;
}

void ServerPacer::reserve(std::vector<Window> &windows, qint32 at)
{
    for (Window &w : windows) {
        if (w.counting) {
            if (!w.started || ticksSince(at, w.start) >= w.allowance.windowMs) {
                w.started = true;
                w.start = at;
                w.used = 0;
            }
            ++w.used;
            if (w.allowance.perDay())
                ++m_dayQueries;
            continue;
        }
        // Turns are mostly given in order; one given earlier than the last is
        // put in its place.
        auto pos = w.sent.end();
        while (pos != w.sent.begin() && ticksSince(*(pos - 1), at) > 0)
            --pos;
        w.sent.insert(pos, at);
        while (static_cast<int>(w.sent.size()) > w.allowance.count)
            w.sent.pop_front();
    }
}

QDateTime ServerPacer::wallTime(qint32 tick) const
{
    const QDateTime zero = m_clockStart.isValid() ? m_clockStart : QDateTime::currentDateTimeUtc();
    return zero.addMSecs(tick);
}

void ServerPacer::restoreLedger(const QList<LedgerEntry> &entries)
{
    for (const LedgerEntry &entry : entries)
        m_ledgerSeeds.insert(entry.server, entry);
    m_windows.clear();
}

QList<LedgerEntry> ServerPacer::ledger() const
{
    QList<LedgerEntry> entries;
    for (auto it = m_windows.cbegin(); it != m_windows.cend(); ++it) {
        for (const Window &w : *it) {
            if (w.allowance.perDay() && w.started && ticksSince(m_lastNow, w.start) < w.allowance.windowMs)
                entries.append({it.key(), wallTime(w.start), w.used});
        }
    }
    // Servers this run did not ask keep what earlier runs used, while it lasts.
    const QDateTime now = wallTime(m_lastNow);
    for (const LedgerEntry &seed : m_ledgerSeeds) {
        if (!m_windows.contains(seed.server) && seed.start.msecsTo(now) < Allowance::kDayMs)
            entries.append(seed);
    }
    std::sort(entries.begin(), entries.end(),
              [](const LedgerEntry &a, const LedgerEntry &b) { return a.server < b.server; });
    return entries;
}

std::optional<QString> ServerPacer::giveUpReason(const QString &server) const
{
    for (const Window &w : windowsOf(server)) {
        const qint32 length = w.allowance.windowMs;
        if (w.allowance.perDay() && w.started && w.used >= w.allowance.count &&
            ticksSince(m_lastNow, w.start) < length)
            return checkText::dailyAllowanceUsedUp(
                server, wallTime(w.start + length).toLocalTime().toString(QStringLiteral("HH:mm")));
    }
    if (outOfPatience(server))
        return checkText::throttledBy(server);
    return std::nullopt;
}
