#include <gtest/gtest.h>

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

struct SiteCase {
    const char* exeFileName;
    const char* website;
    const char* menuContact;
    const char* aboutContact;
};

class SiteRules : public ::testing::TestWithParam<SiteCase>
{
};

TEST_P(SiteRules, WebsiteAndBothContactRules)
{
    const SiteCase c = GetParam();
    EXPECT_EQ(HelpCommands::websiteAddress(c.exeFileName), QString(c.website));
    EXPECT_EQ(HelpCommands::menuContactAddress(c.exeFileName), QString(c.menuContact));
    EXPECT_EQ(HelpCommands::aboutContactAddress(c.exeFileName), QString(c.aboutContact));
}

INSTANTIATE_TEST_SUITE_P(Names, SiteRules,
                         ::testing::Values(SiteCase{"Sample.exe", "https://transcast.example.org",
                                                    "https://transcast.example.org/contact.php",
                                                    "https://transcast.example.org/contact.php"},
                                           SiteCase{"kavri-dvd.exe", "https://partner.example.org",
                                                    "https://partner.example.org/Contact.html",
                                                    "https://partner.example.org/Contact.html"},
                                           // The marker only in capitals: the menu's case-sensitive
                                           // test misses it, the about box's does not.
                                           SiteCase{"KAVRI-dvd.exe", "https://partner.example.org",
                                                    "https://partner.example.org/contact.php",
                                                    "https://partner.example.org/Contact.html"},
                                           SiteCase{"KaVri", "https://partner.example.org",
                                                    "https://partner.example.org/contact.php",
                                                    "https://partner.example.org/Contact.html"}));

TEST(HelpMenu, CommandsOpenTheirPagesThroughTheShell)
{
    RecordingShell shell;
    const HelpCommands help(Edition("Kavri-mp4", "/opt/x"));
    help.openWebsite(shell); // "Help"
    help.openWebsite(shell); // "Our Website"
    help.openContact(shell); // "Support"
    EXPECT_EQ(shell.openedUrls,
              QStringList({"https://partner.example.org", "https://partner.example.org",
                           "https://partner.example.org/contact.php"}));
    EXPECT_FALSE(QString(HelpCommands::StandardSite).endsWith('/'));
    EXPECT_FALSE(QString(HelpCommands::BrandedSite).endsWith('/'));
}

} // namespace
