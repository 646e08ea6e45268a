#include <gtest/gtest.h>

#include <QFile>
#include <QUrl>

#include "common/edition.h"
#include "support/scriptedinteraction.h"
#include "ui/helpcommands.h"
#include "ui/hints.h"

using namespace transcast;

namespace
{

TEST(Hints, ObjectNamesMatchExactly)
{
    EXPECT_EQ(Hints::hintIndex("profiles"), 3);
    EXPECT_EQ(Hints::hintIndex("profilestext"), 3);
    EXPECT_EQ(Hints::hintIndex("video_size"), 6);
    EXPECT_EQ(Hints::hintIndex("clear"), 24);
    EXPECT_EQ(Hints::hintIndex("channels"), 9);
    // Letter case counts, and objects without a hint get the welcome line.
    EXPECT_EQ(Hints::hintIndex("Profiles"), Hints::Welcome);
    EXPECT_EQ(Hints::hintIndex("PLAY"), Hints::Welcome);
    EXPECT_EQ(Hints::hintIndex("help"), Hints::Welcome);
    EXPECT_EQ(Hints::hintIndex("hint"), Hints::Welcome);
    EXPECT_EQ(Hints::hintIndex(QString()), Hints::Welcome);
}

TEST(Hints, TextsByNumber)
{
    EXPECT_EQ(Hints::hintText(1, "x"), "Click the button to add DVD discs.");
    EXPECT_EQ(Hints::hintText(6, "x"),
              "Click the video size combobox to change the width and height of the video output.");
    EXPECT_EQ(Hints::hintText(24, "x"), "Click the button to clear video from list.");
    EXPECT_EQ(Hints::hintText(25, "x"), QString());
    EXPECT_EQ(Hints::hintText(-1, "x"), QString());
    for (int index = 1; index < Hints::Count; ++index)
        EXPECT_FALSE(Hints::hintText(index, "x").isEmpty()) << index;
}

TEST(Hints, WelcomeLineNamesTheProgram)
{
    const Edition sample("Sample.exe", "/opt/sample");
    EXPECT_EQ(Hints::hintFor("Profiles", sample.programTitle()), "Welcome to use Sample.");
    EXPECT_EQ(Hints::hintFor("", Edition("transcast-dvd", "/x").programTitle()),
              "Welcome to use transcast-dvd.");
    EXPECT_EQ(Hints::hintFor("profiles", sample.programTitle()),
              "Click the Profile combobox to change the output format.");
}

TEST(HelpMenu, CommandsOpenTheOfflinePagesBesideTheProgram)
{
    RecordingShell shell;
    // Branded or not, every edition opens the pages installed beside it.
    for (const char* name : {"Sample.exe", "Kavri-mp4"}) {
        const HelpCommands help(Edition(QLatin1String(name), "/opt/x/"));
        help.openHelp(shell);    // "Help", F1
        help.openSupport(shell); // "Support"
        help.openReadme(shell);  // "Our Website", "Contact us"
    }
    const QStringList pages{"file:///opt/x/help/index.html",
                            "file:///opt/x/help/index.html#troubleshooting",
                            "file:///opt/x/help/readme.html"};
    EXPECT_EQ(shell.openedUrls, pages + pages);
}

TEST(HelpMenu, TheHelpPagesAreBuiltBesideTheProgram)
{
    const Edition built("transcast", QStringLiteral(TRANSCAST_BIN_DIR "/"));
    for (const QString& url : {HelpCommands::helpPage(built), HelpCommands::readmePage(built)}) {
        QFile page(QUrl(url).toLocalFile());
        ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << url.toStdString();
        const QString html = QString::fromUtf8(page.readAll());
        EXPECT_TRUE(html.contains(QStringLiteral("<title>"))) << url.toStdString();
        EXPECT_TRUE(html.contains(QStringLiteral("transcast-cli"))) << url.toStdString();
    }
    // Every anchor the help links to exists on the page.
    QFile index(QUrl(HelpCommands::helpPage(built)).toLocalFile());
    ASSERT_TRUE(index.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(index.readAll());
    for (const char* section : {"troubleshooting", "keys", "cli", "settings", "editions"})
        EXPECT_TRUE(html.contains(QStringLiteral("id=\"%1\"").arg(QLatin1String(section))))
            << section;
}

} // namespace
