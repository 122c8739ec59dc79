#include "engine/serverpacer.h"

#include <gtest/gtest.h>

namespace {

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
}

} // namespace
