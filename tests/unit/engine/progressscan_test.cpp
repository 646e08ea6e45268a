#include <gtest/gtest.h>

#include "engine/progressscan.h"

using namespace transcast;

TEST(parseProgress, TakesTheWholeSecondsOfTheFirstReport)
{
    EXPECT_EQ(parseProgress("frame=10 time=83.45 bitrate=100.0"), 83);
    EXPECT_EQ(parseProgress("frame=10 time=00:01:23.45 bitrate=100.0"), 0);
    EXPECT_EQ(parseProgress("time=0.40 bitrate=1"), 0);
    EXPECT_EQ(parseProgress("time=100000.0 bitrate=1"), 100000);
    EXPECT_EQ(parseProgress("time=100001.0 bitrate=1"), 0);
    // Found by fuzzing: a negative time read as negative progress.
    EXPECT_EQ(parseProgress("time= -10.bitrate=66.6kbits/s"), 0);
    EXPECT_EQ(parseProgress("time=-1.00 bitrate=1"), 0);
    EXPECT_EQ(parseProgress("time= 12.0 bitrate=1"), 12); // leading blanks
    EXPECT_EQ(parseProgress("time=12 bitrate=1.5"), 0);   // no "." before bitrate=
    EXPECT_EQ(parseProgress("bitrate=1 time=12.0"), 0);
    EXPECT_EQ(parseProgress("time=12.0"), 0);
    EXPECT_EQ(parseProgress("no report"), 0);
    EXPECT_EQ(parseProgress("time=12.50 bitrate=1\rtime=13.50 bitrate=1"), 12);
}

TEST(ProgressScanner, TwoReportsInOneBlockParseTheFirstTwice)
{
    ProgressScanner scanner;
    EXPECT_EQ(scanner.feed("frame=1 time=12.50 bitrate=9\rframe=2 time=13.50 bitrate=9\r"),
              QList<int>({12, 12}));
    EXPECT_TRUE(scanner.pending().isEmpty());
    EXPECT_EQ(scanner.feed("frame=3 time=14.50 bitrate=9\r"), QList<int>({14}));
}

TEST(ProgressScanner, ASplitReportWaitsForItsLineEnd)
{
    ProgressScanner scanner;
    EXPECT_TRUE(scanner.feed("frame=1 time=4").isEmpty());
    EXPECT_EQ(scanner.pending(), QByteArray("frame=1 time=4"));
    EXPECT_EQ(scanner.feed("2.00 bitrate=1\r"), QList<int>({42}));
}

TEST(ProgressScanner, LineEndsPairAsCrLfButNotLfCr)
{
    ProgressScanner scanner;
    // CR LF is one line end, LF LF are one too: one parse each.
    EXPECT_EQ(scanner.feed("time=5.0 bitrate=1\r\n").size(), 1);
    EXPECT_EQ(scanner.feed("time=6.0 bitrate=1\n\n").size(), 1);
    // LF CR is two line ends, parsed twice while the text is still pending.
    EXPECT_EQ(scanner.feed("time=7.0 bitrate=1\n\r"), QList<int>({7, 7}));
}

// The same walk tells the progress, the time the output holds (fractions
// kept, from each line on its own, an unended last line once the output
// ends) and the encoder's notes.
TEST(ProgressScanner, ReadsTheLastReportAndTheNotesFromTheSameLines)
{
    ProgressScanner scanner;
    EXPECT_EQ(scanner.feed("register.dat: bitrate lowered\rframe=1 time=12.50 bitrate=9\r"
                           "frame=2 time=13.25 bitrate=9\rframe=3 time=14.75 bitrate=9"),
              QList<int>({12, 12, 12}));
    EXPECT_DOUBLE_EQ(scanner.lastReportedSeconds(), 13.25);
    scanner.finish();
    EXPECT_DOUBLE_EQ(scanner.lastReportedSeconds(), 14.75);
    EXPECT_EQ(scanner.notes(), QStringList{"register.dat: bitrate lowered"});
    scanner.clear();
    EXPECT_EQ(scanner.lastReportedSeconds(), -1);
    EXPECT_TRUE(scanner.notes().isEmpty());
}

TEST(ProgressScanner, StopsAtAZeroByte)
{
    ProgressScanner scanner;
    EXPECT_TRUE(scanner.feed(QByteArray("time=5.0 bitrate=1", 18) + '\0' + "\r").isEmpty());
}

TEST(PercentText, PadsToFourDigits)
{
    EXPECT_EQ(percentText(1234), QByteArray("12.34%"));
    EXPECT_EQ(percentText(567), QByteArray("05.67%"));
    EXPECT_EQ(percentText(5), QByteArray("00.05%"));
    EXPECT_EQ(percentText(10000), QByteArray("100.00%"));
    EXPECT_EQ(percentText(0), QByteArray("00.00%"));
}
