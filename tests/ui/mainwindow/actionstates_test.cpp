#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTableView>

#include "common/inifile.h"
#include "ui/navigation/navigation.h"
#include "ui/navigation/navigationlayout.h"
#include "ui/navigation/picturelabel.h"
#include "windowfixture.h"

using namespace transcast;

namespace
{

class ActionStates : public WindowFixture
{
protected:
    // name -> enabled, for the items that stand for a skin object.
    QMap<QString, bool> items(QMenu* menu)
    {
        QMap<QString, bool> enabled;
        for (QAction* action : menu->actions()) {
            const QString binding = action->property("binding").toString();
            if (!binding.isEmpty())
                enabled.insert(binding, action->isEnabled());
        }
        return enabled;
    }
    bool looksUnable(const char* name)
    {
        return window->skin().object(QLatin1String(name))->property("inactive").toBool();
    }
    // Each menu item is enabled exactly when its button does not look unable.
    void expectMenuFollowsButtons(QMenu* menu)
    {
        const QMap<QString, bool> enabled = items(menu);
        for (const char* name : {"remove", "clear", "converter", "stopconverter"}) {
            if (enabled.contains(QLatin1String(name))) {
                EXPECT_NE(enabled.value(QLatin1String(name)), looksUnable(name)) << name;
            }
        }
    }
};

} // namespace

TEST_F(ActionStates, MenuItemsFollowTheirButtonsAndConvertSaysWhatIsMissing)
{
    open();
    QMenu* menu = window->fileMenu();
    EXPECT_EQ(items(menu).value("converter"), false);
    EXPECT_EQ(items(menu).value("clear"), false);
    EXPECT_EQ(items(menu).value("remove"), false);
    EXPECT_EQ(items(menu).value("stopconverter"), false);
    EXPECT_TRUE(items(menu).value("openfiles"));
    expectMenuFollowsButtons(menu);
    // The unable-looking button still answers, now with what is missing.
    window->dispatch(QStringLiteral("converter"));
    EXPECT_EQ(interaction.warnings, QStringList({"Please add files first"}));

    JobList& jobs = window->controller().jobs();
    appendCaptionRow(QStringLiteral("clip"));
    jobs.setVisible(true);
    EXPECT_TRUE(items(menu).value("converter"));
    EXPECT_TRUE(items(menu).value("clear"));
    EXPECT_FALSE(items(menu).value("remove")) << "nothing selected to remove";
    window->jobList()->selectRow(0);
    EXPECT_TRUE(items(menu).value("remove"));
    expectMenuFollowsButtons(menu);

    window->controller().busy().setPlaying(true);
    window->updateActionLooks();
    EXPECT_FALSE(items(menu).value("converter"));
    expectMenuFollowsButtons(menu);
    window->controller().busy().setPlaying(false);
    window->controller().busy().setConverting(true);
    window->updateActionLooks();
    EXPECT_TRUE(items(menu).value("stopconverter"));
    EXPECT_FALSE(items(menu).value("clear"));
    expectMenuFollowsButtons(menu);

    open(QStringLiteral("transcast-dvd"));
    expectMenuFollowsButtons(window->dvdMenu());
    EXPECT_FALSE(items(window->dvdMenu()).value("converter"));
    interaction.warnings.clear();
    window->dispatch(QStringLiteral("converter"));
    EXPECT_EQ(interaction.warnings, QStringList({"Please add a DVD first"}));
}

TEST_F(ActionStates, GuidanceWelcomeIconsAndTheChosenProfilesCategory)
{
    // The picker had category 5 highlighted when the last run closed, the
    // chosen profile being 3 (video).
    {
        IniFile settings(QDir(configDir.path()).filePath("transcast.ini"));
        settings.writeInteger("profiles", "selcetindex", 5);
        settings.writeInteger("profiles", "selcetsubindex", 3);
    }
    open();
    EXPECT_TRUE(window->navigation()
                    .picture(QStringLiteral("im_mainico"))
                    ->picturePath()
                    .endsWith(NavigationLayout::categoryIconPicture(1)));
    // The hint line greets before the mouse has moved; the window has an icon.
    EXPECT_EQ(hint(), QStringLiteral("Welcome to use transcast."));
    EXPECT_FALSE(window->windowIcon().isNull());

    QWidget* guidance = window->skin().object(QStringLiteral("deco_emptytext_file"));
    ASSERT_NE(guidance, nullptr);
    EXPECT_FALSE(window->jobList()->isVisible());
    JobList& jobs = window->controller().jobs();
    appendCaptionRow(QStringLiteral("clip"));
    jobs.setVisible(true);
    EXPECT_TRUE(window->jobList()->isVisible());
    // Cleared: the list gives way to the guidance again.
    interaction.answers.push_back(true);
    window->dispatch(QStringLiteral("clear"));
    ASSERT_EQ(jobs.rowCount(), 0);
    EXPECT_FALSE(window->jobList()->isVisible());
    EXPECT_TRUE(guidance->isVisible());
}
