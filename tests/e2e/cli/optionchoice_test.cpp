#include <gtest/gtest.h>

#include "cli/optionchoice.h"
#include "common/optionbox.h"

using namespace transcast;

namespace
{

OptionChoice::Result resolve(const OptionBox& box, const char* value)
{
    return OptionChoice::resolve(box, QString::fromUtf8(value), QStringLiteral("--size"),
                                 QStringLiteral("frame size"), 122);
}

class SizeBox : public ::testing::Test
{
protected:
    OptionBox box{QStringLiteral("cb_size")};
    void SetUp() override
    {
        for (const char* item : {"320x240(QVGA)", "640x480", "640x480(VGA)", "720x576(PAL)",
                                 "720x576(D1)", "The original width and height"})
            box.addItem(QString::fromUtf8(item));
    }
};

} // namespace

TEST_F(SizeBox, TakesAPositionOrAnEntrysText)
{
    EXPECT_EQ(resolve(box, "0").index, 0);
    EXPECT_EQ(resolve(box, "5").index, 5);
    EXPECT_EQ(resolve(box, "The original width and height").index, 5);
    // The exact text wins over a labelled entry of the same size.
    EXPECT_EQ(resolve(box, "640x480").index, 1);
    EXPECT_EQ(resolve(box, "640x480(VGA)").index, 2);
    // The size alone names a labelled entry when only one has it.
    EXPECT_EQ(resolve(box, "320x240").index, 0);
}

TEST_F(SizeBox, RefusesWhatItDoesNotOfferAndSaysWhatItDoes)
{
    for (const char* value : {"6", "-1", "800x600", "720x576", "normal", ""}) {
        const OptionChoice::Result result = resolve(box, value);
        EXPECT_EQ(result.index, -1) << value;
        EXPECT_TRUE(result.error.startsWith(QStringLiteral("--size: profile 122 offers no frame "
                                                           "size \"") +
                                            QString::fromUtf8(value) + QLatin1Char('"')))
            << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(QStringLiteral("0 \"320x240(QVGA)\", 1 \"640x480\"")))
            << result.error.toStdString();
    }
}

TEST_F(SizeBox, RefusesEveryChoiceWhileDisabled)
{
    box.setEnabled(false);
    const OptionChoice::Result result = resolve(box, "0");
    EXPECT_EQ(result.index, -1);
    EXPECT_EQ(result.error,
              QStringLiteral("--size: profile 122 has no frame size to choose (its box is "
                             "disabled)"));
}
