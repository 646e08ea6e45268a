#include "navigationfixture.h"

namespace transcast::test
{
namespace
{

class OpeningTest : public NavigationFixture
{
protected:
    void open(const QString& exeFileName, bool bisSingle, int profile = 1)
    {
        preferences.setIntoOwnFormat(bisSingle);
        start(exeFileName);
        ASSERT_TRUE(firstShow(edition->isDvdMode(), edition->isBranded()));
        nav->openNavigation(profile);
    }
};

TEST_F(OpeningTest, FullOpeningShowsTheCurrentProfilesPanel)
{
    open(QStringLiteral("transcast"), true, 8);
    EXPECT_EQ(shownPanels(), (QStringList{"pl_main", "pl_video2"}));
    EXPECT_TRUE(categoryLit(1));
    EXPECT_EQ(state.selectIndex, 1);
    EXPECT_TRUE(state.videoFirstPage) << "opening changes no page flag";
}

TEST_F(OpeningTest, FullOpeningOnAFlyOutProfilePlacesTheFlyOut)
{
    open(QStringLiteral("transcast"), true, 105);
    EXPECT_EQ(shownPanels(), (QStringList{"pl_main", "pl_video1", "pl_avi"}));
    EXPECT_EQ(panel("pl_avi")->pos(), QPoint(206 + 220, 81));
    EXPECT_TRUE(categoryLit(1));
}

TEST_F(OpeningTest, FullOpeningOnAProfileWithoutPanelShowsTheColumnAlone)
{
    state.selectIndex = 5;
    open(QStringLiteral("transcast"), true, 33);
    EXPECT_EQ(shownPanels(), QStringList{"pl_main"});
    EXPECT_EQ(state.selectIndex, 5);
    EXPECT_FALSE(categoryLit(5));
}

TEST_F(OpeningTest, RefusedWhileConverting)
{
    busy.setConverting(true);
    open(QStringLiteral("transcast"), true, 8);
    EXPECT_EQ(interaction.warnings, QStringList{"Please first stop convert!"});
    EXPECT_TRUE(shownPanels().isEmpty());
}

TEST_F(OpeningTest, IpodEditionInAnyCaseOpensOnlyItsPanel)
{
    open(QStringLiteral("Transcast-IPOD.exe"), true);
    EXPECT_EQ(shownPanels(), QStringList{"pl_ipod"});
    EXPECT_EQ(panel("pl_ipod")->x(), 53);
    EXPECT_TRUE(panel("pl_ipod")->hasSingleLineBorder());
    const int tops[] = {-1, 52, 100, 148, 196, 244, 292};
    for (int n = 27; n <= 33; ++n)
        EXPECT_EQ(nav->button(n)->y(), tops[n - 27]) << "btim_" << n;
}

TEST_F(OpeningTest, BrandedSinglePanelStandsFurtherRight)
{
    open(QStringLiteral("kavri iPod converter"), true);
    EXPECT_EQ(shownPanels(), QStringList{"pl_ipod"});
    EXPECT_EQ(panel("pl_ipod")->x(), 88);
    EXPECT_TRUE(play->isHidden()) << "a branded opening hides the preview";
}

TEST_F(OpeningTest, IpodEditionConvertingOutOfItsFormatOpensTheFullNavigation)
{
    open(QStringLiteral("transcast-ipod"), false, 28);
    EXPECT_EQ(shownPanels(), (QStringList{"pl_main", "pl_ipod"}));
    EXPECT_EQ(panel("pl_ipod")->x(), 206);
}

TEST_F(OpeningTest, FullOpeningAfterASingleOneRestoresThePanelsPlace)
{
    open(QStringLiteral("transcast-ipod"), true);
    ASSERT_EQ(panel("pl_ipod")->x(), 53);
    nav->setNavigationVisible(false);
    preferences.setIntoOwnFormat(false);
    nav->openNavigation(27);
    EXPECT_EQ(shownPanels(), (QStringList{"pl_main", "pl_ipod"}));
    EXPECT_EQ(panel("pl_ipod")->pos(), QPoint(206, 81));
    EXPECT_FALSE(panel("pl_ipod")->hasSingleLineBorder());
    EXPECT_EQ(nav->button(27)->y(), 0);
    EXPECT_EQ(nav->button(33)->y(), 293);
}

TEST_F(OpeningTest, AudioEditionOpensItsAudioPanelWhateverTheDirection)
{
    open(QStringLiteral("transcast-audio"), false, 8);
    EXPECT_EQ(shownPanels(), QStringList{"pl_audio1"});
    EXPECT_EQ(nav->button(21)->y(), 292);

    click(nav->picture(QStringLiteral("Image2")));
    EXPECT_EQ(shownPanels(), QStringList{"pl_audio2"});
    EXPECT_EQ(panel("pl_audio2")->x(), 53);
    EXPECT_EQ(nav->button(22)->y(), -1);
    EXPECT_EQ(nav->button(26)->y(), 196);
    EXPECT_TRUE(state.audioFirstPage) << "an audio edition keeps no page";

    click(nav->picture(QStringLiteral("Image5")));
    EXPECT_EQ(shownPanels(), QStringList{"pl_audio1"});
    EXPECT_TRUE(state.audioFirstPage);
}

TEST_F(OpeningTest, WmvEditionOpensNothing)
{
    open(QStringLiteral("transcast-wmv"), true);
    EXPECT_TRUE(shownPanels().isEmpty());
}

TEST_F(OpeningTest, EarlierKeywordDecides)
{
    open(QStringLiteral("ipod-avi"), true);
    EXPECT_EQ(shownPanels(), QStringList{"pl_ipod"});
}

TEST_F(OpeningTest, FormatEditionOpensItsFlyOutAlone)
{
    open(QStringLiteral("kavri-mkv-dvd"), true);
    EXPECT_EQ(shownPanels(), QStringList{"pl_mkv"});
    EXPECT_EQ(panel("pl_mkv")->pos(), QPoint(88, 71));
    EXPECT_FALSE(panel("pl_mkv")->hasSingleLineBorder());
}

TEST_F(OpeningTest, BrandedDvdLayoutPlacesTheColumnPanelsAndFlyOuts)
{
    open(QStringLiteral("kavri dvd converter"), true, 1);
    EXPECT_EQ(panel("pl_main")->pos(), QPoint(90, 71));
    EXPECT_EQ(nav->iconPanel()->pos(), QPoint(96, 429));
    for (const QString& name : nav->profilePanelNames()) {
        const bool flyOut = name == QLatin1String("pl_avi") || name == QLatin1String("pl_mpeg") ||
                            name == QLatin1String("pl_mp4") || name == QLatin1String("pl_mkv");
        if (!flyOut) {
            EXPECT_EQ(nav->panel(name)->pos(), QPoint(243, 71)) << qPrintable(name);
        }
    }
    EXPECT_EQ(nav->subPanelOffset(), 180);
    hoverButton(5);
    EXPECT_EQ(panel("pl_mkv")->pos(), QPoint(243 + 180, 71));
}

TEST_F(OpeningTest, FileModeBrandedLayout)
{
    start();
    nav->applyLayout(false, true);
    EXPECT_EQ(panel("pl_main")->pos(), QPoint(88, 90));
    EXPECT_EQ(panel("pl_hd")->pos(), QPoint(241, 90));
    EXPECT_EQ(nav->iconPanel()->pos(), QPoint(96, 451));
    nav->applyLayout(true, false);
    EXPECT_EQ(panel("pl_main")->pos(), QPoint(53, 81));
    EXPECT_EQ(panel("pl_hd")->pos(), QPoint(206, 81));
    EXPECT_EQ(nav->iconPanel()->pos(), QPoint(62, 64));
    EXPECT_EQ(nav->subPanelOffset(), 220);
}

} // namespace
} // namespace transcast::test
