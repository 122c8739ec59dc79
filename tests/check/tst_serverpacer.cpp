#include "engine/serverpacer.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint32 kDay = Allowance::kDayMs;

QString text(const Allowances &rates)
{
    QStringList parts;
    for (const Allowance &a : rates)
        parts << QStringLiteral("%1/%2").arg(a.count).arg(a.windowMs);
    return parts.join(u',');
}

TEST(ServerPacer, NoticesAnnounceWaitsAndAllowances)
{
    const struct {
        const char *notice;
        qint64 waitMs; // -1: none
        double rate;   // 0: none
    } cases[] = {
        {"your quota will be replenished in 30 seconds.", 30000, 0},
        {"query rate exceeded, please wait 5 seconds", 5000, 0},
        {"please go away for 60 seconds", 60000, 0},
        {"you are in a grace period of 2 minutes", 120000, 0},
        {"limit exceeded. try again after: 24h0m0s", 86400000, 0},
        {"only 1 request per second allowed", 1000, 1},
        {"% maximum queries per hour reached (100)", -1, 100.0 / 3600},
        {"please maintain at least 10-second time between queries", 10000, 0.1},
        {"please wait at least 5 seconds before you ask again", 5000, 0},
        {"too many requests", -1, 0},
        {"wait for the 2021 terms of use", -1, 0},
    };
    for (const auto &c : cases) {
        const ThrottleHint hint = readThrottleHint(QByteArrayView(c.notice));
        EXPECT_EQ(hint.waitMs.value_or(-1), c.waitMs) << c.notice;
        EXPECT_DOUBLE_EQ(hint.ratePerSecond.value_or(0), c.rate) << c.notice;
    }
}

TEST(ServerPacer, ThrottleBacksOffCutsTheRateAndSpacesQueries)
{
    ServerPacer pacer(5000);
    const QString a = QStringLiteral("a:43"), b = QStringLiteral("b:43");
    // Unpaced until the first throttle; 10 answers in the second before it.
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(pacer.take(a, 100 * i), 0);
        pacer.answered(a, 100 * i);
    }
    EXPECT_EQ(pacer.throttled(a, 1000, {}, 0), 1000);
    EXPECT_DOUBLE_EQ(pacer.rate(a), 9.5);
    EXPECT_EQ(pacer.take(a, 1500), 500);
    EXPECT_EQ(pacer.take(b, 1500), 0) << "another server is not held up";
    // Doubling back-off, an announced wait honoured as it is, capped at 120 s.
    EXPECT_EQ(pacer.throttled(a, 2000, {}, 0), 2000);
    EXPECT_EQ(pacer.throttled(a, 4000, {}, 0.5), 5000);
    EXPECT_EQ(pacer.throttled(a, 9000, {std::optional<qint64>(3000), {}}, 0), 3000);
    EXPECT_EQ(pacer.throttled(a, 12000, {std::optional<qint64>(86400000), {}}, 0),
              ServerPacer::kMaxBackOffMs);
    EXPECT_EQ(pacer.throttled(a, 13000, {}, 0), ServerPacer::kMaxBackOffMs - 1000)
        << "one signal per back-off";
    EXPECT_TRUE(pacer.outOfPatience(a));
    EXPECT_FALSE(pacer.outOfPatience(b));
    // Queries are spaced by the rate; an announced allowance is never exceeded.
    ServerPacer fresh;
    fresh.throttled(b, 0, {{}, std::optional<double>(4)}, 0);
    EXPECT_EQ(fresh.take(b, 1000), 0);
    EXPECT_EQ(fresh.take(b, 1000), 250);
    for (int i = 0; i < ServerPacer::kAnswersPerRaise; ++i)
        fresh.answered(b, 2000);
    EXPECT_DOUBLE_EQ(fresh.rate(b), 4);
    EXPECT_FALSE(fresh.outOfPatience(b));
}

TEST(ServerPacer, RatesAreReadStrictly)
{
    const struct {
        const char *rates;
        const char *read; // nullptr: refused
    } cases[] = {
        {"5/s", "5/1000"},
        {" 5/s , 1000/d ", "5/1000,1000/86400000"},
        {"1800/15m", "1800/900000"},
        {"100/H", "100/3600000"},
        {"1/24h,1/1440m", "1/86400000"},
        {"3/s,2/1s", "2/1000"},
        {"1000000/s", "1000000/1000"},
        {"", nullptr},
        {"0/s", nullptr},
        {"1000001/s", nullptr},
        {"+5/s", nullptr},
        {"5/x", nullptr},
        {"5/0s", nullptr},
        {"5/1441m", nullptr},
        {"5/s,", nullptr},
    };
    for (const auto &c : cases) {
        QString error;
        const auto rates = parseAllowances(QString::fromLatin1(c.rates), &error);
        EXPECT_EQ(rates.has_value(), c.read != nullptr) << c.rates;
        if (rates)
            EXPECT_EQ(text(*rates), QString::fromLatin1(c.read)) << c.rates;
        else
            EXPECT_FALSE(error.isEmpty()) << c.rates;
    }
    QString error;
    EXPECT_FALSE(parseAllowances(u"5/s,7/fortnight", &error));
    EXPECT_TRUE(error.contains(u"'7/fortnight'")) << error.toStdString();

    // Servers are named the same way wherever they are written.
    const struct {
        const char *server, *name;
    } names[] = {
        {"WHOIS.Nic.UK", "whois.nic.uk"},
        {"whois.nic.uk:43", "whois.nic.uk"},
        {"127.0.0.1:4343", "127.0.0.1:4343"},
        {"https://RDAP.example.net:443", "rdap.example.net"},
    };
    for (const auto &n : names)
        EXPECT_EQ(allowanceServerName(QString::fromLatin1(n.server)), QString::fromLatin1(n.name))
            << n.server;
    EXPECT_EQ(parseServerLimit(u"Whois.Example.net:43=2/s", &error)->first, u"whois.example.net");
    EXPECT_FALSE(parseServerLimit(u"=2/s", &error));
    EXPECT_FALSE(parseServerLimit(u"whois.example.net", &error));
}

TEST(ServerPacer, AllowancesHoldFromTheFirstQuery)
{
    ServerPacer pacer;
    pacer.setAllowances({{u"a:4343"_s, {{2, 1000}, {5, 60000}}}, {u"big"_s, {{5000, 3600000}}}});
    const QString a = QStringLiteral("a:4343"), other = QStringLiteral("b");
    // Two a second, with a twentieth of the window spare; then five a minute.
    const qint32 expected[] = {0, 0, 1050, 1050, 2100};
    for (qint32 wait : expected)
        EXPECT_EQ(pacer.take(a, 10), wait);
    EXPECT_EQ(pacer.take(a, 10), 60000 + 3000);
    EXPECT_EQ(pacer.take(other, 10), 0) << "a server without an allowance is not held";
    EXPECT_EQ(pacer.giveUpReason(a), std::nullopt) << "short windows wait instead";
    // Throttling on top: the slower of the two paces wins.
    ServerPacer both;
    both.setAllowances({{u"b"_s, {{100, 1000}}}});
    both.throttled(other, 0, {{}, std::optional<double>(4)}, 0);
    EXPECT_EQ(both.take(other, 1000), 0);
    EXPECT_EQ(both.take(other, 1000), 250);
    // A window of more queries than are kept counts from its start.
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(pacer.take(u"big"_s, 100), 0);
    EXPECT_EQ(pacer.take(u"big"_s, 200), 3600000 - 100);
}

TEST(ServerPacer, DailyAllowanceIsUsedUpAndKeptAcrossRuns)
{
    const QDateTime start = QDateTime::currentDateTimeUtc();
    const QString d = QStringLiteral("whois.day.example");
    const AllowanceTable table{{d, {{1, 1000}, {3, kDay}}}};
    const auto untilText = [](const QDateTime &end) {
        return u"Daily allowance of whois.day.example used up until "_s +
               end.toLocalTime().toString(u"HH:mm"_s);
    };
    const struct {
        qint64 startedHoursAgo;
        int used;
        bool usedUp;
    } runs[] = {{1, 3, true}, {23, 2, false}, {25, 3, false}};
    for (const auto &r : runs) {
        const QDateTime windowStart = start.addSecs(-3600 * r.startedHoursAgo);
        const LedgerEntry seed{d, windowStart, r.used};
        const LedgerEntry unasked{u"whois.unasked"_s, windowStart, 7};
        ServerPacer next;
        next.setAllowances(table);
        next.setClockStart(start);
        next.restoreLedger({seed, unasked});
        EXPECT_EQ(next.giveUpReason(d).has_value(), r.usedUp) << r.startedHoursAgo;
        if (r.usedUp) {
            EXPECT_EQ(next.giveUpReason(d), untilText(windowStart.addMSecs(kDay)));
            EXPECT_EQ(next.ledger(), QList<LedgerEntry>({seed, unasked})) << "kept as it was";
        } else if (r.startedHoursAgo < 24) {
            EXPECT_EQ(next.take(d, 0), 0);
            EXPECT_EQ(next.ledger(), QList<LedgerEntry>({{d, windowStart, 3}, unasked}));
            EXPECT_TRUE(next.giveUpReason(d)) << "used up by this run's query";
        } else {
            // The window is over: a new one begins, and the old lines are dropped.
            EXPECT_EQ(next.take(d, 0), 0);
            EXPECT_EQ(next.ledger(), QList<LedgerEntry>({{d, start, 1}}));
        }
    }
}

TEST(ServerPacer, RateFollowsWhatTheServerAnswers)
{
    ServerPacer pacer;
    const QString s = QStringLiteral("s:43");
    const auto answer = [&](int count, qint32 from, qint32 step) {
        for (int i = 0; i < count; ++i)
            pacer.answered(s, from + i * step);
    };
    answer(20, 0, 50);
    pacer.throttled(s, 1000, {}, 0);
    EXPECT_DOUBLE_EQ(pacer.rate(s), 19);
    // A throttle while the server still answers 20 a second came from a
    // query sent at the earlier pace: no further cut.
    answer(20, 2000, 50);
    pacer.throttled(s, 3000, {}, 0);
    EXPECT_DOUBLE_EQ(pacer.rate(s), 19);
    // Nothing answered in the last two seconds: halved.
    pacer.throttled(s, 7000, {}, 0);
    EXPECT_DOUBLE_EQ(pacer.rate(s), 9.5);
    // Quickly back to near the rate it throttled at; beyond it, a step after
    // ten seconds' answers (195 at 19.5 a second).
    answer(10 * ServerPacer::kAnswersPerRaise, 20000, 0);
    EXPECT_DOUBLE_EQ(pacer.rate(s), 19.5);
    answer(194, 20000, 0);
    EXPECT_DOUBLE_EQ(pacer.rate(s), 19.5);
    answer(1, 20000, 0);
    EXPECT_DOUBLE_EQ(pacer.rate(s), 20.5);

    // The answers of a burst read after its first notice still measure the server.
    ServerPacer burst;
    burst.throttled(s, 100, {std::optional<qint64>(8000), {}}, 0);
    EXPECT_DOUBLE_EQ(burst.rate(s), 1);
    for (int i = 0; i < 20; ++i)
        burst.answered(s, 100 + i);
    EXPECT_DOUBLE_EQ(burst.rate(s), 19);
    // After an announced wait, no probe beyond what the server answered in a second.
    for (int i = 0; i < 20 * ServerPacer::kAnswersPerRaise; ++i)
        burst.answered(s, 20000);
    EXPECT_DOUBLE_EQ(burst.rate(s), 20);

    // A silence noticed at its time-out measures what the server answered
    // when the query went out, not the quiet since.
    ServerPacer silent;
    for (int i = 0; i < 20; ++i)
        silent.answered(s, 30000 + i);
    silent.throttled(s, 35500, {}, 0, 30500);
    EXPECT_DOUBLE_EQ(silent.rate(s), 19);
}

} // namespace
