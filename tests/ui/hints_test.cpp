#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
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
    ScriptedInteraction interaction;
    // Branded or not, every edition opens the pages installed beside it.
    for (const char* name : {"Sample.exe", "Kavri-mp4"}) {
        const HelpCommands help(Edition(QLatin1String(name), "/opt/x/"));
        help.openHelp(shell, interaction);    // "Help", F1
        help.openSupport(shell, interaction); // "Support"
        help.openReadme(shell, interaction);  // "Our Website"
        help.openContact(shell, interaction); // "Contact us"
    }
    const QStringList pages{
        "file:///opt/x/help/index.html", "file:///opt/x/help/index.html#troubleshooting",
        "file:///opt/x/help/readme.html", "file:///opt/x/help/index.html#contact"};
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

// The ids of a page and the targets of its links and pictures.
QString readPage(const QString& path)
{
    QFile page(path);
    return page.open(QIODevice::ReadOnly) ? QString::fromUtf8(page.readAll()) : QString();
}

QStringList matches(const QString& html, const char* pattern)
{
    QStringList found;
    auto it = QRegularExpression(QLatin1String(pattern)).globalMatch(html);
    while (it.hasNext())
        found << it.next().captured(1);
    return found;
}

TEST(HelpMenu, EveryLinkOfTheHelpPagesResolvesAndContactSaysWhereToReport)
{
    const QDir help(QStringLiteral(TRANSCAST_BIN_DIR "/help"));
    const QStringList pages = help.entryList({"*.html"}, QDir::Files);
    ASSERT_TRUE(pages.contains("index.html") && pages.contains("readme.html"))
        << pages.join(' ').toStdString();
    for (const QString& name : pages) {
        const QString html = readPage(help.filePath(name));
        for (const QString& target : matches(html, R"re((?:href|src)="([^"]*)")re")) {
            if (target.startsWith("http://") || target.startsWith("https://") ||
                target.startsWith("mailto:"))
                continue;
            // Offline pages: every other link is a page or picture beside
            // them, and its #part exists there.
            const QString file = target.section('#', 0, 0);
            const QString part = target.section('#', 1);
            const QString landing = file.isEmpty() ? help.filePath(name) : help.filePath(file);
            EXPECT_TRUE(QFileInfo(landing).isFile())
                << name.toStdString() << " links to " << target.toStdString();
            if (!part.isEmpty()) {
                EXPECT_TRUE(matches(readPage(landing), R"re(id="([^"]*)")re").contains(part))
                    << name.toStdString() << " links to " << target.toStdString();
            }
        }
    }

    const QString index = readPage(help.filePath("index.html"));
    // The keys table lists every key the window answers, Space among them.
    const QString keys = index.section("id=\"keys\"", 1).section("</table>", 0, 0);
    for (const char* key : {"Space", "Tab", "Ctrl+P", "Return", "Esc", "F1"})
        EXPECT_TRUE(keys.contains(QStringLiteral("<kbd>%1</kbd>").arg(QLatin1String(key)))) << key;
    // "Contact us" lands on a part that says where problems go.
    const QUrl contact(HelpCommands::contactPage(Edition("transcast", TRANSCAST_BIN_DIR "/")));
    const QString reporting =
        index.section(QStringLiteral("id=\"%1\"").arg(contact.fragment()), 1).section("<h2", 0, 0);
    EXPECT_TRUE(reporting.contains("reported") && reporting.contains("tracker"))
        << reporting.toStdString();
}

} // namespace
