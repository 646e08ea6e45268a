#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>

#include "navigationfixture.h"
#include "profiles/profilecatalogue.h"

namespace transcast::test
{
namespace
{

class PickerKeys : public NavigationFixture
{
protected:
    // Opens the picker on `current` the way the window does, the focus on
    // a box of the window before.
    void open(int current, const QString& exe = QStringLiteral("transcast"))
    {
        start(exe);
        ASSERT_TRUE(firstShow());
        before = new QLineEdit(host.get());
        before->show();
        before->setFocus();
        host->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
        nav->setCurrentProfileSource([current] { return current; });
        spoken = std::make_unique<QSignalSpy>(nav, &Navigation::highlighted);
        chosen = std::make_unique<QSignalSpy>(nav, &Navigation::profileClicked);
        nav->openNavigation(current);
    }
    void key(Qt::Key which) { QTest::keyClick(QApplication::focusWidget(), which); }
    void type(const char* text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    QString lastSpoken() const
    {
        return spoken->isEmpty() ? QString() : spoken->last().first().toString();
    }

    QLineEdit* before = nullptr;
    std::unique_ptr<QSignalSpy> spoken;
    std::unique_ptr<QSignalSpy> chosen;
};

TEST_F(PickerKeys, ArrowsHomeEndAndTypingMoveTheHighlightAndOnlyReturnChooses)
{
    open(121); // in the MP4 fly-out
    ASSERT_TRUE(shown("pl_mp4"));
    ASSERT_NE(QApplication::focusWidget(), before) << "the opened picker takes the keys";
    // The first key lands on the current profile; then the arrows move on,
    // the hint line naming each.
    key(Qt::Key_Down);
    EXPECT_TRUE(lit(121));
    EXPECT_EQ(lastSpoken(), ProfileCatalogue::displayName(121));
    key(Qt::Key_Down);
    EXPECT_TRUE(lit(122));
    EXPECT_TRUE(normal(121));
    EXPECT_EQ(lastSpoken(), ProfileCatalogue::displayName(122));
    // Left: back to the opener, its fly-out still open; again: the column.
    key(Qt::Key_Left);
    EXPECT_EQ(state.selectSubIndex, 4);
    EXPECT_TRUE(shown("pl_mp4"));
    key(Qt::Key_Left);
    key(Qt::Key_Down);
    EXPECT_TRUE(categoryLit(2));
    EXPECT_EQ(shownPanels(), QStringList({"pl_main", "pl_audio1"}));
    EXPECT_EQ(lastSpoken(), QStringLiteral("Audio"));
    // Right enters the panel; End and one more Down turn the page.
    key(Qt::Key_Right);
    EXPECT_TRUE(lit(15));
    key(Qt::Key_End);
    EXPECT_TRUE(lit(21));
    key(Qt::Key_Down);
    EXPECT_TRUE(shown("pl_audio2"));
    EXPECT_FALSE(shown("pl_audio1"));
    EXPECT_TRUE(lit(22));
    key(Qt::Key_Up);
    EXPECT_TRUE(shown("pl_audio1"));
    EXPECT_TRUE(lit(21));

    // Typing finds a profile by the start of its name (its letters and
    // digits), wherever it is: another category's second page, a fly-out.
    type("movq");
    EXPECT_TRUE(lit(10));
    EXPECT_TRUE(shown("pl_video2"));
    EXPECT_TRUE(categoryLit(1));
    EXPECT_EQ(lastSpoken(), ProfileCatalogue::displayName(10));
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    type("mkvx");
    EXPECT_TRUE(lit(127)) << state.selectSubIndex;
    EXPECT_TRUE(lit(5));
    EXPECT_TRUE(shown("pl_video1") && shown("pl_mkv"));

    // Nothing was chosen on the way; Return chooses and gives the keys back.
    EXPECT_EQ(chosen->count(), 0);
    key(Qt::Key_Return);
    ASSERT_EQ(chosen->count(), 1);
    EXPECT_EQ(chosen->first().first().toInt(), 127);
    EXPECT_FALSE(shown("pl_main"));
    EXPECT_EQ(QApplication::focusWidget(), before);
}

TEST_F(PickerKeys, RightOnAnOpenerEntersItsFlyOutAndHomeEndStayInIt)
{
    open(1);
    key(Qt::Key_Down); // lands on 1
    key(Qt::Key_Down); // the AVI opener: its fly-out opens, as under the mouse
    EXPECT_EQ(state.selectSubIndex, 2);
    ASSERT_TRUE(shown("pl_avi"));
    key(Qt::Key_Right);
    EXPECT_TRUE(lit(102));
    key(Qt::Key_End);
    EXPECT_TRUE(lit(108)) << "109 is the fly-out's blank end";
    key(Qt::Key_Down);
    EXPECT_TRUE(lit(108));
    key(Qt::Key_Return);
    ASSERT_EQ(chosen->count(), 1);
    EXPECT_EQ(chosen->first().first().toInt(), 108);
}

TEST_F(PickerKeys, ASingleFormatEditionWalksItsOwnPanel)
{
    preferences.setIntoOwnFormat(true);
    open(0, QStringLiteral("transcast-ipod"));
    ASSERT_EQ(shownPanels(), QStringList({"pl_ipod"}));
    key(Qt::Key_Down);
    EXPECT_TRUE(lit(27));
    key(Qt::Key_End);
    EXPECT_TRUE(lit(32));
    key(Qt::Key_Left); // no column to go back to
    EXPECT_TRUE(lit(32));
    type("ipod480");
    EXPECT_TRUE(lit(29));
    key(Qt::Key_Enter);
    ASSERT_EQ(chosen->count(), 1);
    EXPECT_EQ(chosen->first().first().toInt(), 29);
}

// The fourteenth category holds two pages of eight: the keys and the page
// switch reach every one of them, and the hint line says what each is for.
TEST_F(PickerKeys, TodaysFormatsAreReachedOnBothPagesByKeysAndMouse)
{
    open(1);
    key(Qt::Key_Down); // the first key lands on the current profile
    key(Qt::Key_Left); // back to the column
    key(Qt::Key_End);
    EXPECT_TRUE(categoryLit(14));
    EXPECT_EQ(shownPanels(), QStringList({"pl_main", "pl_today1"}));
    key(Qt::Key_Right);
    EXPECT_TRUE(lit(133));
    EXPECT_TRUE(lastSpoken().startsWith(ProfileCatalogue::displayName(133) + QStringLiteral(": ")));
    key(Qt::Key_End);
    EXPECT_TRUE(lit(140));
    key(Qt::Key_Down);
    EXPECT_EQ(shownPanels(), QStringList({"pl_main", "pl_today2"}));
    EXPECT_TRUE(lit(141));
    key(Qt::Key_End);
    EXPECT_TRUE(lit(148));
    EXPECT_GT(nav->button(148)->height(), 0);
    click(nav->picture(QStringLiteral("img_todayback")));
    EXPECT_EQ(shownPanels(), QStringList({"pl_main", "pl_today1"}));
    click(nav->picture(QStringLiteral("img_todaymore")));
    EXPECT_TRUE(shown("pl_today2"));
    type("flac");
    EXPECT_TRUE(lit(146));
    key(Qt::Key_Return);
    ASSERT_EQ(chosen->count(), 1);
    EXPECT_EQ(chosen->first().first().toInt(), 146);

    // Its edition opens on its first page alone and turns to the second.
    chosen->clear();
    preferences.setIntoOwnFormat(true);
    open(0, QStringLiteral("transcast-hevc"));
    ASSERT_EQ(shownPanels(), QStringList({"pl_today1"}));
    type("opus");
    EXPECT_EQ(shownPanels(), QStringList({"pl_today2"}));
    EXPECT_TRUE(lit(147));
}

} // namespace
} // namespace transcast::test
