#include <QSignalSpy>

#include "navigationfixture.h"

namespace transcast::test
{
namespace
{

class HoverTest : public NavigationFixture
{
protected:
    void SetUp() override
    {
        start();
        ASSERT_TRUE(firstShow());
        nav->openNavigation(1);
        ASSERT_TRUE(shown("pl_video1"));
    }

    QPoint flyOutPlace() const
    {
        return panel("pl_video1")->pos() + QPoint(nav->subPanelOffset(), 0);
    }
};

TEST_F(HoverTest, OpenerToItsFlyOutKeepsItOpenAndAnotherButtonClosesIt)
{
    hoverButton(2);
    ASSERT_TRUE(shown("pl_avi"));
    EXPECT_EQ(panel("pl_avi")->pos(), flyOutPlace());
    EXPECT_TRUE(lit(2));
    EXPECT_EQ(state.selectSubIndex, 2);
    EXPECT_FALSE(play->isHidden()) << "the opener shows pl_play again";

    hoverButton(104);
    EXPECT_TRUE(shown("pl_avi"));
    EXPECT_TRUE(lit(2));
    EXPECT_TRUE(lit(104));
    EXPECT_TRUE(normal(102)) << "the fly-out's first button stood in for the opener";
    EXPECT_EQ(state.selectSubIndex, 104);

    hoverButton(105);
    EXPECT_TRUE(normal(104));
    EXPECT_TRUE(lit(105));

    hoverButton(1);
    EXPECT_FALSE(shown("pl_avi"));
    EXPECT_TRUE(normal(2));
    EXPECT_TRUE(lit(1));
    EXPECT_TRUE(normal(105)) << "no stale highlight waits in the closed fly-out";
    EXPECT_EQ(state.selectSubIndex, 1);
}

TEST_F(HoverTest, BackFromAFlyOutToItsOwnOpenerKeepsTheFlyOutOpen)
{
    hoverButton(3);
    hoverButton(112);
    ASSERT_TRUE(lit(112));
    hoverButton(3);
    EXPECT_TRUE(shown("pl_mpeg"));
    EXPECT_TRUE(lit(3));
    EXPECT_TRUE(normal(112));
    EXPECT_EQ(state.selectSubIndex, 3);

    hoverButton(113);
    EXPECT_TRUE(lit(113));
    EXPECT_TRUE(lit(3));
}

TEST_F(HoverTest, OpenerToOpenerSwapsTheFlyOuts)
{
    hoverButton(3);
    ASSERT_TRUE(shown("pl_mpeg"));
    hoverButton(4);
    EXPECT_FALSE(shown("pl_mpeg"));
    EXPECT_TRUE(shown("pl_mp4"));
    EXPECT_EQ(panel("pl_mp4")->pos(), flyOutPlace());
    EXPECT_TRUE(normal(3));
    EXPECT_TRUE(lit(4));
    EXPECT_EQ(state.selectSubIndex, 4);
}

TEST_F(HoverTest, OpenerFromAnotherFlyOutClosesItWithoutLeavingAHighlight)
{
    hoverButton(5);
    hoverButton(127);
    hoverButton(4);
    EXPECT_FALSE(shown("pl_mkv"));
    EXPECT_TRUE(shown("pl_mp4"));
    EXPECT_TRUE(normal(5));
    EXPECT_TRUE(normal(127));
    EXPECT_TRUE(lit(4));
}

TEST_F(HoverTest, CategoryChangeClosesFlyOutsAndSwapsPanels)
{
    hoverButton(5);
    ASSERT_TRUE(shown("pl_mkv"));
    hoverCategory(2);
    EXPECT_EQ(shownPanels(), (QStringList{"pl_main", "pl_audio1"}));
    EXPECT_FALSE(categoryLit(1));
    EXPECT_TRUE(categoryLit(2));
    EXPECT_EQ(state.selectIndex, 2);

    // The category keeps its highlight while the pointer is on its panel.
    hoverButton(16);
    EXPECT_TRUE(categoryLit(2));
    EXPECT_TRUE(lit(16));
    EXPECT_TRUE(normal(5)) << "the opener left lit before is reset by the next button";
}

TEST_F(HoverTest, PlainButtonsMoveTheHighlightAndAHighlightSurvivesClosing)
{
    hoverCategory(3);
    hoverButton(27);
    hoverButton(28);
    EXPECT_TRUE(normal(27));
    EXPECT_TRUE(lit(28));
    EXPECT_EQ(state.selectSubIndex, 28);

    nav->setNavigationVisible(false);
    EXPECT_TRUE(shownPanels().isEmpty());
    nav->openNavigation(28);
    EXPECT_TRUE(lit(28));
    EXPECT_TRUE(categoryLit(3));
}

TEST_F(HoverTest, InertButtonsIgnoreThePointer)
{
    hoverButton(1);
    nav->openNavigation(8);
    hoverButton(13);
    EXPECT_EQ(state.selectSubIndex, 1);
    EXPECT_TRUE(normal(13));
}

TEST_F(HoverTest, PageFlagsDecideWhichPageTheCategoryShowsAcrossARestart)
{
    click(nav->picture(QStringLiteral("Image94")));
    EXPECT_FALSE(state.videoFirstPage);
    EXPECT_TRUE(shown("pl_video2"));
    EXPECT_FALSE(shown("pl_video1"));

    hoverCategory(2);
    click(nav->picture(QStringLiteral("Image2")));
    EXPECT_FALSE(state.audioFirstPage);
    EXPECT_TRUE(shown("pl_audio2"));

    // A new window with the flags the settings kept.
    state.selectIndex = -1;
    state.selectSubIndex = -1;
    start();
    ASSERT_TRUE(firstShow());
    nav->openNavigation(0);
    hoverCategory(1);
    EXPECT_EQ(shownPanels(), (QStringList{"pl_main", "pl_video2"}));
    hoverCategory(2);
    EXPECT_EQ(shownPanels(), (QStringList{"pl_main", "pl_audio2"}));

    click(nav->picture(QStringLiteral("Image5")));
    EXPECT_TRUE(state.audioFirstPage);
    EXPECT_EQ(shownPanels(), (QStringList{"pl_main", "pl_audio1"}));
    hoverCategory(1);
    click(nav->picture(QStringLiteral("Image93")));
    EXPECT_TRUE(state.videoFirstPage);
    EXPECT_EQ(shownPanels(), (QStringList{"pl_main", "pl_video1"}));
}

TEST_F(HoverTest, ClickOnAProfileClosesTheNavigationThenSelects)
{
    QList<bool> openAtSignal;
    QList<int> selected;
    QObject::connect(nav, &Navigation::profileClicked, [&](int profile) {
        selected << profile;
        openAtSignal << !shownPanels().isEmpty();
    });
    hoverButton(2);
    hoverButton(104);
    click(nav->button(104));
    EXPECT_EQ(selected, QList<int>{104});
    EXPECT_EQ(openAtSignal, QList<bool>{false});
}

TEST_F(HoverTest, ClicksOnInertOpenerAndBlankButtonsDoNothing)
{
    QSignalSpy spy(nav, &Navigation::profileClicked);
    const auto clickAfterOpening = [&](int profile, int n) {
        nav->openNavigation(profile);
        click(nav->button(n));
        EXPECT_FALSE(shownPanels().isEmpty()) << "button " << n;
    };
    clickAfterOpening(8, 13);
    clickAfterOpening(8, 14);
    clickAfterOpening(1, 2);
    clickAfterOpening(125, 132);
    clickAfterOpening(102, 109);
    clickAfterOpening(27, 33);
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(HoverTest, MousePressOnThePreviewClosesTheNavigation)
{
    QTest::mousePress(play, Qt::LeftButton);
    QTest::mouseRelease(play, Qt::LeftButton);
    EXPECT_TRUE(shownPanels().isEmpty());
}

TEST_F(HoverTest, MainIconOpensOnTheCurrentProfileAndShowsItsCategory)
{
    nav->setNavigationVisible(false);
    nav->setCurrentProfileSource([] { return 60; });
    ASSERT_TRUE(nav->setCategoryIcon(8));
    PictureLabel* icon = nav->picture(QStringLiteral("im_mainico"));
    EXPECT_EQ(icon->picturePath(), file(QStringLiteral("images/main/8.bmp")));
    EXPECT_TRUE(nav->setCategoryIcon(15));
    EXPECT_TRUE(nav->setCategoryIcon(0));
    EXPECT_EQ(icon->picturePath(), file(QStringLiteral("images/main/8.bmp")));
    ASSERT_TRUE(nav->setCategoryIcon(14));

    click(icon);
    EXPECT_EQ(shownPanels(), (QStringList{"pl_main", "pl_xbox"}));
    EXPECT_TRUE(categoryLit(8));
}

} // namespace
} // namespace transcast::test
