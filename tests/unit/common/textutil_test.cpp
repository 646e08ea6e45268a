#include <gtest/gtest.h>

#include "common/textutil.h"

using namespace transcast;

TEST(quoteArgument, QuotesOnlyTextsWithBlanks)
{
    EXPECT_EQ(quoteArgument(QStringLiteral("/opt/tc/register.dat")),
              QStringLiteral("/opt/tc/register.dat"));
    EXPECT_EQ(quoteArgument(QStringLiteral("/my videos/a.avi")),
              QStringLiteral("\"/my videos/a.avi\""));
    // Nothing inside is escaped, quotes included.
    EXPECT_EQ(quoteArgument(QStringLiteral("it's \"x\" y")), QStringLiteral("\"it's \"x\" y\""));
    EXPECT_EQ(quoteArgument(QString()), QString());
}

TEST(ParseInteger, AcceptsOnlyWholeDecimalNumbers)
{
    EXPECT_EQ(parseInteger(QStringLiteral("42")), 42);
    EXPECT_EQ(parseInteger(QStringLiteral("  -7")), -7);
    EXPECT_EQ(parseInteger(QStringLiteral("+5")), 5);
    EXPECT_EQ(parseInteger(QStringLiteral("9223372036854775807")), INT64_MAX);
    EXPECT_EQ(parseInteger(QStringLiteral("-9223372036854775808")), INT64_MIN);
    for (const char* bad : {"", " ", "-", "12 ", "1.5", "0x10", "12a", "9223372036854775808", "1:"})
        EXPECT_FALSE(parseInteger(QString::fromLatin1(bad)).has_value()) << bad;
    EXPECT_FALSE(parseInt32(QStringLiteral("2147483648")).has_value());
    EXPECT_EQ(parseInt32(QStringLiteral("-2147483648")), INT32_MIN);
}

TEST(durationToSeconds, ReadsFixedCharacterPositions)
{
    EXPECT_EQ(durationToSeconds(QStringLiteral("01:02:03")), 3723);
    EXPECT_EQ(durationToSeconds(QStringLiteral("00:45:12")), 2712);
    EXPECT_EQ(durationToSeconds(QStringLiteral("1:02:03")), 0);
    EXPECT_EQ(durationToSeconds(QStringLiteral("")), 0);
    EXPECT_EQ(durationToSeconds(QStringLiteral("00:00")), 0);
    EXPECT_EQ(durationToSeconds(QStringLiteral("99:59:59.99")), 359999);
    // A blank before a digit is a leading blank, accepted as in "  5".
    EXPECT_EQ(durationToSeconds(QStringLiteral(" 1:00:00")), 3600);
}

TEST(durationToSeconds, TheClockInMillisecondsReadsTheHundredthsThatFollow)
{
    EXPECT_EQ(clockToMilliseconds(QStringLiteral("00:00:02.40")), 2400);
    EXPECT_EQ(clockToMilliseconds(QStringLiteral("01:02:03.04, start")), 3723040);
    EXPECT_EQ(clockToMilliseconds(QStringLiteral("00:00:02, start")), 2000);
    EXPECT_EQ(clockToMilliseconds(QStringLiteral("00:00:02.4")), 2000); // no two digits
    EXPECT_EQ(clockToMilliseconds(QStringLiteral("1:02:03")), std::nullopt);
    EXPECT_EQ(clockToMilliseconds(QStringLiteral("N/A, start")), std::nullopt);
    // Not known and 0 s are told apart; the lists show the one as nothing.
    EXPECT_EQ(durationClock(std::nullopt), QString());
    EXPECT_EQ(durationClock(0), QStringLiteral("00:00:00"));
    EXPECT_EQ(durationClock(3723999), QStringLiteral("01:02:03"));
}

TEST(secondsToClock, PadsEachFieldToTwoDigits)
{
    EXPECT_EQ(secondsToClock(0), QStringLiteral("00:00:00"));
    EXPECT_EQ(secondsToClock(2712), QStringLiteral("00:45:12"));
    EXPECT_EQ(secondsToClock(3723), QStringLiteral("01:02:03"));
    EXPECT_EQ(secondsToClock(360000), QStringLiteral("100:00:00"));
}

TEST(mulDiv, RoundsHalvesAwayFromZeroWithA64BitProduct)
{
    EXPECT_EQ(mulDiv(50, 10000, 100), 5000);
    EXPECT_EQ(mulDiv(1, 3, 2), 2);   // 1.5
    EXPECT_EQ(mulDiv(-1, 3, 2), -2); // -1.5
    EXPECT_EQ(mulDiv(1, 1, 3), 0);
    EXPECT_EQ(mulDiv(2, 1, 3), 1);
    EXPECT_EQ(mulDiv(100000, 100000, 100000), 100000); // product beyond 32 bits
    EXPECT_EQ(mulDiv(12, 9993, 100), 1199);
    EXPECT_EQ(mulDiv(5, 5, 0), -1);
    EXPECT_EQ(mulDiv(INT32_MAX, 2, 1), -1); // result does not fit
    EXPECT_EQ(mulDiv(7, -10, -4), 18);      // 17.5
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(362.4), 362);
    EXPECT_EQ(roundHalfEven(4.75), 5);
    EXPECT_EQ(roundHalfEven(240 * 1.51), 362);
}

TEST(FormatFixed, RoundsToFiveSignificantDigitsThenPads)
{
    EXPECT_EQ(formatFixed(97680.0 * 1000 / (8 * 1024 * 1024), 5, 2), QStringLiteral("11.64"));
    EXPECT_EQ(formatFixed(0.0, 5, 2), QStringLiteral("0.00"));
    EXPECT_EQ(formatFixed(320.0 / 240.0, 5, 4), QStringLiteral("1.3333"));
    EXPECT_EQ(formatFixed(720.0 / 576.0, 5, 4), QStringLiteral("1.2500"));
    EXPECT_EQ(formatFixed(16.0 / 9.0, 5, 4), QStringLiteral("1.7778"));
    EXPECT_EQ(formatFixed(1234.567, 5, 2), QStringLiteral("1234.60"));
    EXPECT_EQ(formatFixed(0.125, 5, 2), QStringLiteral("0.13")); // halves away from zero
    EXPECT_EQ(formatFixed(0.004, 5, 2), QStringLiteral("0.00"));
    EXPECT_EQ(formatFixed(-0.004, 5, 2), QStringLiteral("0.00"));
    EXPECT_EQ(formatFixed(-3.14159, 5, 2), QStringLiteral("-3.14"));
    EXPECT_EQ(formatFixed(99999.4, 5, 2), QStringLiteral("99999.00"));
    EXPECT_EQ(formatFixed(2.5, 5, 2, QLatin1Char(',')), QStringLiteral("2,50"));
}

TEST(FormatFixed, FallsBackToExponentFormWhenDigitsDoNotFit)
{
    EXPECT_EQ(formatFixed(100000.0, 5, 2), QStringLiteral("1E5"));
    EXPECT_EQ(formatFixed(123456.78, 5, 2), QStringLiteral("1.2346E5"));
    EXPECT_EQ(formatFixed(99999.7, 5, 2), QStringLiteral("1E5")); // rounds up past five digits
    EXPECT_EQ(formatFixed(1234567.0, 5, 2, QLatin1Char(',')), QStringLiteral("1,2346E6"));
}
