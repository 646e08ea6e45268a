#include <gtest/gtest.h>

#include "cli/progressline.h"

using namespace transcast;

TEST(ProgressLineFormat, ShowsRowPercentageAndABarFilledByTheValue)
{
    EXPECT_EQ(ProgressLine::format(1, 5, QStringLiteral("holiday"), 4217, 80),
              QStringLiteral("[2/5] holiday  42.17% [############------------------]"));
    EXPECT_EQ(ProgressLine::format(0, 1, QStringLiteral("a"), 0, 80),
              QStringLiteral("[1/1] a  00.00% [------------------------------]"));
    EXPECT_EQ(ProgressLine::format(0, 1, QStringLiteral("a"), 10000, 80),
              QStringLiteral("[1/1] a 100.00% [##############################]"));
    // Values off the scale are shown at its ends.
    EXPECT_EQ(ProgressLine::format(0, 1, QStringLiteral("a"), 12000, 80),
              ProgressLine::format(0, 1, QStringLiteral("a"), 10000, 80));
    EXPECT_EQ(ProgressLine::format(0, 1, QStringLiteral("a"), -5, 80),
              ProgressLine::format(0, 1, QStringLiteral("a"), 0, 80));
}

TEST(ProgressLineFormat, NeverOutgrowsTheTerminal)
{
    const QString caption = QStringLiteral("a rather long caption of a holiday clip from 2019");
    for (int width = 0; width <= 120; ++width) {
        for (int value : {0, 1, 4999, 5000, 9999, 10000}) {
            const QString line = ProgressLine::format(11, 120, caption, value, width);
            EXPECT_LE(line.size(), width) << width << " " << value;
        }
    }
}

TEST(ProgressLineFormat, CutsTheCaptionFirstThenDropsTheBar)
{
    const QString caption = QStringLiteral("a rather long caption");
    // Room for the whole caption: the bar shrinks to make it.
    EXPECT_EQ(ProgressLine::format(0, 9, caption, 5000, 50),
              QStringLiteral("[1/9] a rather long caption  50.00% [######------]"));
    EXPECT_EQ(ProgressLine::format(0, 9, caption, 5000, 44),
              QStringLiteral("[1/9] a rather long ca~  50.00% [#####-----]"));

    const QString narrow = ProgressLine::format(0, 9, caption, 5000, 24);
    EXPECT_FALSE(narrow.contains(QStringLiteral("[#")) || narrow.contains(QStringLiteral("[-")));
    EXPECT_TRUE(narrow.endsWith(QStringLiteral(" 50.00%"))) << narrow.toStdString();
    EXPECT_TRUE(narrow.startsWith(QStringLiteral("[1/9] a rather"))) << narrow.toStdString();
}
