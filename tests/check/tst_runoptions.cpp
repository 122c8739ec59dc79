#include "config/programoptions.h"
#include "engine/runoptions.h"

#include <gtest/gtest.h>

namespace {

TEST(RunOptions, BoxesAreCorrectedInPlace)
{
    const struct {
        const char *box[4], *after[4];
        double connections;
        qint32 timeoutMs;
        quint8 retryLimit;
        qint32 blueLimit;
    } cases[] = {
        {{"abc", "0", "abc", "0"}, {"1", "1", "1", "1"}, 1, 1000, 1, 1},
        {{"900", "61", "300", "100001"}, {"500", "60", "10", "100000"}, 500, 60000, 10, 100000},
        {{"500", "60", "200", "100000"}, {"500", "60", "200", "100000"}, 500, 60000, 200, 100000},
        {{"250 threads", "2.5", "-4", "7 days"}, {"250 threads", "2.5", "1", "7 days"}, 250, 2500, 1, 7},
    };
    for (const auto &c : cases) {
        ProgramOptions o;
        QString *boxes[] = {&o.connections, &o.timeoutSecs, &o.retryTimes, &o.expireDays};
        for (int i = 0; i < 4; ++i)
            *boxes[i] = QString::fromLatin1(c.box[i]);
        EXPECT_EQ(clampConnections(o), c.connections) << c.box[0];
        EXPECT_EQ(clampTimeoutMs(o), c.timeoutMs) << c.box[1];
        EXPECT_EQ(clampRetryLimit(o), c.retryLimit) << c.box[2];
        EXPECT_EQ(clampBlueLimit(o), c.blueLimit) << c.box[3];
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(*boxes[i], QLatin1String(c.after[i]));
    }
}

TEST(RunOptions, ProgressPercentRoundsHalvesToEvenWithinNoughtToOneHundred)
{
    const int cases[][3] = {{8, 3, 38}, {8, 12, 100}, {8, -1, 0}, {200, 1, 0}, {200, 3, 2}, {0, 0, 0}};
    for (const auto &[runCount, processed, percent] : cases)
        EXPECT_EQ(progressPercent(processed, runCount), percent) << processed << " of " << runCount;
}

} // namespace
