// The batch's line and summary on a scripted clock.
#include <gtest/gtest.h>

#include "engine/batchprogress.h"

using namespace transcast;

namespace
{

class BatchLine : public ::testing::Test
{
protected:
    qint64 now = 1000000; // any start: only differences count
    BatchProgress progress{[this] { return now; }};

    void at(qint64 milliseconds) { now = 1000000 + milliseconds; }
    std::string line() const { return progress.line().toStdString(); }
};

} // namespace

TEST_F(BatchLine, EstimatesFromTheLengthsLeftAtTheSpeedSoFar)
{
    // Three jobs of 60 s; the third's length is not known, so it weighs as
    // the average of the others.
    progress.begin();
    progress.setPending({60, 60, 0});
    progress.started(0, 60);
    progress.setPending({60, 0});
    EXPECT_EQ(line(), "Converting 1 of 3 \u00b7 00:00:00 elapsed \u00b7 estimating\u2026");

    // Half of the first job in 2 s: too early for an estimate.
    at(2000);
    progress.progressed(0, 5000);
    EXPECT_EQ(line(), "Converting 1 of 3 \u00b7 00:00:02 elapsed \u00b7 estimating\u2026");
    EXPECT_EQ(progress.secondsLeft(), -1);

    // 60 s converted in 10 s: the 120 s left take 20 s.
    at(10000);
    progress.progressed(0, 10000);
    progress.ended(0, BatchProgress::Outcome::Converted, QStringLiteral("one"));
    EXPECT_EQ(progress.secondsLeft(), 20);
    EXPECT_EQ(progress.value(), 3333);

    // Two side by side, each a quarter done after 5 s more: 90 s in 15 s,
    // 90 s left, 15 s.
    progress.started(1, 60);
    progress.started(2, 0);
    progress.setPending({});
    at(15000);
    progress.progressed(1, 2500);
    progress.progressed(2, 2500);
    EXPECT_EQ(line(),
              "Converting 2\u20133 of 3 \u00b7 00:00:15 elapsed \u00b7 about 00:00:15 left");
    // The second fails at 40 %: its rest is no longer to do.
    at(17000);
    progress.progressed(1, 4000);
    progress.ended(1, BatchProgress::Outcome::Failed, QStringLiteral("two"));
    EXPECT_EQ(line(), "Converting 3 of 3 \u00b7 00:00:17 elapsed \u00b7 about 00:00:08 left");

    at(20000);
    progress.ended(2, BatchProgress::Outcome::Converted, QStringLiteral("three"));
    progress.end();
    at(99000); // the summary's time stops with the batch
    EXPECT_EQ(progress.summary(), QStringLiteral("2 converted, 1 failed in 00:00:20"));
    EXPECT_EQ(progress.failedNames(), QStringList({"two"}));
}

TEST_F(BatchLine, AnEarlierJobStillRunningIsNamedApartFromTheLaterOnes)
{
    progress.begin();
    progress.started(0, 60);
    progress.started(1, 5);
    progress.setPending({60});
    progress.ended(1, BatchProgress::Outcome::Converted, QStringLiteral("short"));
    progress.started(2, 60);
    progress.setPending({});
    EXPECT_EQ(line(), "Converting 1, 3 of 3 \u00b7 00:00:00 elapsed \u00b7 estimating\u2026");
}

TEST_F(BatchLine, AStopIsCountedAndANewBatchForgetsTheLastOne)
{
    progress.begin();
    progress.started(4, 30);
    progress.setPending({30});
    at(61000);
    progress.ended(4, BatchProgress::Outcome::Stopped, QString());
    progress.end();
    EXPECT_EQ(progress.summary(), QStringLiteral("0 converted, 0 failed, 1 stopped in 00:01:01"));

    at(70000);
    progress.begin();
    progress.setPending({30, 30});
    EXPECT_EQ(line(), "Converting 1 of 2 \u00b7 00:00:00 elapsed \u00b7 estimating\u2026");
    EXPECT_EQ(progress.summary(), QStringLiteral("0 converted, 0 failed in 00:00:00"));
    EXPECT_TRUE(progress.failedNames().isEmpty());
}
