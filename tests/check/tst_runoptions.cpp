#include "config/programoptions.h"
#include "engine/runoptions.h"
#include "listops/rowcompare.h"

#include <gtest/gtest.h>

namespace {

TEST(RunOptions, LeadingNumber)
{
    EXPECT_EQ(leadingNumber(u"12"), 12);
    EXPECT_EQ(leadingNumber(u"  12abc"), 12);
    EXPECT_EQ(leadingNumber(u"abc"), 0);
    EXPECT_EQ(leadingNumber(u""), 0);
    EXPECT_EQ(leadingNumber(u"-3"), -3);
    EXPECT_DOUBLE_EQ(leadingNumber(u"2.5 s"), 2.5);
    EXPECT_FALSE(startsWithNumber(u"abc"));
    EXPECT_TRUE(startsWithNumber(u" -1"));
}

TEST(RunOptions, RoundHalfEven)
{
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
}

TEST(RunOptions, BoxesAreCorrectedInPlace)
{
    struct Case {
        const char *connections, *timeout, *retries, *days;
        const char *connectionsAfter, *timeoutAfter, *retriesAfter, *daysAfter;
        double connectionsValue;
        qint32 timeoutMs;
        quint8 retryLimit;
        qint32 blueLimit;
    } cases[] = {
        {"20", "10", "2", "30", "20", "10", "2", "30", 20, 10000, 2, 30},
        {"0", "0", "0", "0", "1", "1", "1", "1", 1, 1000, 1, 1},
        {"abc", "abc", "abc", "abc", "1", "1", "1", "1", 1, 1000, 1, 1},
        {"900", "61", "300", "100001", "500", "60", "10", "100000", 500, 60000, 10, 100000},
        {"500", "60", "200", "100000", "500", "60", "200", "100000", 500, 60000, 200, 100000},
        {"250 threads", "2.5", "-4", "7 days", "250 threads", "2.5", "1", "7 days", 250, 2500, 1, 7},
    };
    for (const auto &c : cases) {
        ProgramOptions o;
        o.connections = QString::fromLatin1(c.connections);
        o.timeoutSecs = QString::fromLatin1(c.timeout);
        o.retryTimes = QString::fromLatin1(c.retries);
        o.expireDays = QString::fromLatin1(c.days);
        EXPECT_EQ(clampConnections(o), c.connectionsValue) << c.connections;
        EXPECT_EQ(clampTimeoutMs(o), c.timeoutMs) << c.timeout;
        EXPECT_EQ(clampRetryLimit(o), c.retryLimit) << c.retries;
        EXPECT_EQ(clampBlueLimit(o), c.blueLimit) << c.days;
        EXPECT_EQ(o.connections, QLatin1String(c.connectionsAfter));
        EXPECT_EQ(o.timeoutSecs, QLatin1String(c.timeoutAfter));
        EXPECT_EQ(o.retryTimes, QLatin1String(c.retriesAfter));
        EXPECT_EQ(o.expireDays, QLatin1String(c.daysAfter));
    }
}

} // namespace
