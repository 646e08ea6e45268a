#include <array>
#include <map>

#include "profile_fixture.h"

#include "profiles/qualitytexts.h"
#include "profiles/rememberedchoices.h"
#include "profiles/settingsstore.h"

using namespace transcast;

using Settings = ProfileFixture;

TEST_F(Settings, AFirstRunStartsFromTheDefaults)
{
    start();
    EXPECT_EQ(controller->preferences().outputFolder(), SettingsStore::defaultOutputFolder());
    EXPECT_TRUE(controller->preferences().outputFolder().endsWith(QLatin1Char('/')));
    EXPECT_EQ(controller->preferences().outputFolderText(),
              controller->preferences().outputFolder());
    EXPECT_EQ(controller->profile().picker().selectIndex, 1);
    EXPECT_TRUE(controller->preferences().intoOwnFormat());
    EXPECT_EQ(controller->profile().picker().selectSubIndex, 1);
    EXPECT_EQ(controller->profile().selectedProfile(), 1);
    EXPECT_EQ(controller->preferences().finishAction(), 0);
    EXPECT_TRUE(controller->profile().picker().videoFirstPage);
    EXPECT_TRUE(controller->profile().picker().audioFirstPage);
    // The selection already recorded its number.
    EXPECT_EQ(settingsIni().readInteger("profiles", "selcetsubindex", 0), 1);
}

TEST_F(Settings, EditionsStartOnTheirOwnProfile)
{
    start(QStringLiteral("conv_mp3.exe"));
    EXPECT_EQ(controller->profile().selectedProfile(), 17);
    EXPECT_EQ(controller->profile().picker().selectSubIndex, 17);
    start(QStringLiteral("transform.exe"));
    EXPECT_EQ(controller->profile().selectedProfile(), 6);
}

TEST_F(Settings, EverySettingSurvivesARestart)
{
    start(QStringLiteral("transcast-avi"));
    controller->preferences().setOutputFolder(QStringLiteral("/data/out/"));
    controller->profile().picker().selectIndex = 7;
    controller->preferences().setFinishAction(1);
    controller->profile().picker().videoFirstPage = false;
    controller->profile().picker().audioFirstPage = false;
    select(53);
    restart(QStringLiteral("transcast-avi"));
    EXPECT_EQ(controller->preferences().outputFolder(), QStringLiteral("/data/out/"));
    EXPECT_EQ(controller->preferences().outputFolderText(), QStringLiteral("/data/out/"));
    EXPECT_EQ(controller->profile().picker().selectIndex, 7);
    EXPECT_EQ(controller->preferences().finishAction(), 1);
    EXPECT_FALSE(controller->profile().picker().videoFirstPage);
    EXPECT_FALSE(controller->profile().picker().audioFirstPage);
    EXPECT_EQ(controller->profile().selectedProfile(), 53);
    EXPECT_EQ(boxes().channel.currentIndex(), 0);
}

TEST_F(Settings, ConversionsAtOnceStayWithinTheCoresAndAreWrittenOnceChanged)
{
    start();
    EXPECT_EQ(controller->preferences().conversionsAtOnce(), 1);
    controller->saveSettings();
    // A file that never had the setting does not gain it.
    EXPECT_TRUE(settingsIni().readString("batch", "conversionsAtOnce").isNull());
    restart();
    controller->preferences().setConversionsAtOnce(Preferences::maxConversionsAtOnce());
    controller->settings().storeConversionsAtOnce();
    EXPECT_EQ(settingsIni().readInteger("batch", "conversionsAtOnce", 0),
              Preferences::maxConversionsAtOnce());
    // Written on a machine with more cores, or by hand.
    for (const auto& [stored, read] :
         {std::pair<const char*, int>{"999", Preferences::maxConversionsAtOnce()},
          {"0", 1},
          {"-3", 1},
          {"two", 1}}) {
        settingsIni().writeString("batch", "conversionsAtOnce", QString::fromLatin1(stored));
        start(); // read afresh, nothing saved over it
        EXPECT_EQ(controller->preferences().conversionsAtOnce(), read) << stored;
    }
}

TEST_F(Settings, ATypedButUnusedOutputFolderIsNotSaved)
{
    start();
    controller->preferences().setOutputFolderText(QStringLiteral("/typed/only"));
    restart();
    EXPECT_EQ(controller->preferences().outputFolder(), SettingsStore::defaultOutputFolder());
}

TEST_F(Settings, KeysAreSpelledAsStoredFilesHaveThem)
{
    start(QStringLiteral("transcast-wmv"));
    controller->preferences().setIntoOwnFormat(false);
    select(9);
    controller->profile().picker().selectSubIndex = 3; // a button merely hovered last
    controller->saveSettings();
    const IniFile ini = settingsIni();
    EXPECT_EQ(ini.readString("profiles", "BisSingle"), QStringLiteral("0"));
    EXPECT_EQ(ini.readInteger("profiles", "mainselcetsubindex", 0), 9);
    EXPECT_EQ(ini.readInteger("profiles", "selcetsubindex", 0), 7); // untouched
    EXPECT_FALSE(ini.readString("profiles", "selcetindex").isNull());
    EXPECT_FALSE(ini.readString("profiles", "FinishSelcet").isNull());
    EXPECT_EQ(ini.readString("plane", "video"), QStringLiteral("1"));
    EXPECT_FALSE(ini.readString("output", "path").isNull());
    // The other direction opens on its own profile with the second entry.
    start(QStringLiteral("transcast-wmv"));
    EXPECT_FALSE(controller->preferences().intoOwnFormat());
    EXPECT_EQ(controller->profile().selectedProfile(), 9);
    EXPECT_EQ(boxes().channel.currentIndex(), 1);
}

TEST_F(Settings, RememberedChoicesComeBackPerProfile)
{
    start();
    select(17);
    boxes().audioBitrate.choose(3); // "Low Quality"
    select(18);
    EXPECT_EQ(boxes().audioBitrate.currentIndex(), 2);
    select(17);
    EXPECT_EQ(boxes().audioBitrate.currentText(), QStringLiteral("Low Quality"));
    EXPECT_EQ(profileIni().readInteger("17", "audio bitrate", -9), 3);
    EXPECT_FALSE(profileIni().readString("17", "Channel").isNull());
    // Audio-only profiles keep no size or video position.
    EXPECT_TRUE(profileIni().readString("17", "size").isNull());
    // Selecting the same profile again stores and restores it unchanged.
    select(102);
    boxes().size.choose(1);
    boxes().videoBitrate.choose(3);
    select(102);
    EXPECT_EQ(boxes().size.currentIndex(), 1);
    EXPECT_EQ(boxes().videoBitrate.currentIndex(), 3);
}

TEST_F(Settings, DefaultsDifferBetweenFileAndDvdMode)
{
    start();
    select(102);
    EXPECT_EQ(boxes().size.currentIndex(), 4);
    EXPECT_EQ(boxes().videoBitrate.currentText(), kOriginalVideo);
    EXPECT_EQ(boxes().audioBitrate.currentText(), kOriginalAudio);

    QTemporaryDir otherConfig;
    controller = std::make_unique<Controller>(
        Edition(QStringLiteral("transcast-dvd"), programDir.path()), interaction, shell);
    controller->loadSettings(otherConfig.path());
    select(102);
    EXPECT_EQ(boxes().size.currentIndex(), 4);
    EXPECT_EQ(boxes().videoBitrate.currentText(), QStringLiteral("Normal"));
    EXPECT_EQ(boxes().audioBitrate.currentText(), QStringLiteral("Normal"));
}

TEST_F(Settings, LastChangesBeforeCloseAreLostUnlessAProfileIsSelected)
{
    start();
    select(27);
    boxes().size.choose(3);
    restart();
    select(27);
    EXPECT_EQ(boxes().size.currentIndex(), 0);
    boxes().size.choose(3);
    select(28);
    restart();
    select(27);
    EXPECT_EQ(boxes().size.currentIndex(), 3);
}

TEST(RememberedChoicesTable, CoversExactlyTheNumbersWithAnEntry)
{
    using K = RememberedChoices::Kind;
    for (int p : {26, 52, 67, 74, 82, 90, 98, 101, 109, 117, 124, 131, 0, 132, 149})
        EXPECT_EQ(RememberedChoices::kindOf(p), K::None) << p;
    for (int p : {33, 40, 45, 59})
        EXPECT_EQ(RememberedChoices::kindOf(p), K::AudioReadOnly) << p;
    for (int p : {15, 25, 71, 80})
        EXPECT_EQ(RememberedChoices::kindOf(p), K::AudioOnly) << p;
    int full = 0;
    for (int p = 1; p <= 131; ++p)
        full += RememberedChoices::kindOf(p) == K::Full;
    EXPECT_EQ(full, 131 - 12 - 4 - 13);
    const auto mp4 = RememberedChoices::defaultsFor(120, false);
    EXPECT_EQ(mp4.size, 5);
    EXPECT_EQ(RememberedChoices::defaultsFor(120, true).size, 2);
    EXPECT_EQ(RememberedChoices::defaultsFor(69, false).size, 1);
    EXPECT_EQ(RememberedChoices::defaultsFor(7, true).video, 2);
}

// The settings of a program that knew only profiles 1 to 131 keep every
// choice: what each profile remembered, the one selected and the category.
TEST_F(Settings, ChoicesOfTheOlderProfilesSurviveTheNewOnes)
{
    using K = RememberedChoices::Kind;
    groups[134].size = QStringLiteral("854x480 1280x720 1920x1080 2560x1440 3840x2160");
    start();
    std::map<int, std::array<int, 3>> chosen;
    for (int p = 1; p <= 131; ++p) {
        if (RememberedChoices::kindOf(p) != K::Full && RememberedChoices::kindOf(p) != K::AudioOnly)
            continue;
        select(p);
        const std::array<int, 3> positions = {boxes().size.count() - 1, 1, 3};
        if (RememberedChoices::kindOf(p) == K::Full) {
            boxes().size.choose(positions[0]);
            boxes().videoBitrate.choose(positions[1]);
        }
        boxes().audioBitrate.choose(positions[2]);
        chosen[p] = positions;
    }
    select(130);
    controller->profile().picker().selectIndex = 13;
    restart();
    EXPECT_EQ(controller->profile().selectedProfile(), 130);
    EXPECT_EQ(controller->profile().picker().selectIndex, 13);
    for (const auto& [p, positions] : chosen) {
        select(p);
        if (RememberedChoices::kindOf(p) == K::Full) {
            EXPECT_EQ(boxes().size.currentIndex(), positions[0]) << p;
            EXPECT_EQ(boxes().videoBitrate.currentIndex(), positions[1]) << p;
        }
        EXPECT_EQ(boxes().audioBitrate.currentIndex(), positions[2]) << p;
    }
    // Today's format profiles open on the source's own size, in both modes.
    select(134);
    EXPECT_EQ(boxes().size.currentText(), kOriginalSize);
    EXPECT_EQ(RememberedChoices::defaultsFor(134, true).size, 5);
    EXPECT_EQ(RememberedChoices::kindOf(146), K::AudioOnly);
}

using Direction = ProfileFixture;

TEST_F(Direction, ChangingWithAnEmptyListAsksNothing)
{
    start(QStringLiteral("transcast-wmv"));
    boxes().channel.choose(1);
    EXPECT_TRUE(interaction.questions.isEmpty());
    EXPECT_FALSE(controller->preferences().intoOwnFormat());
    EXPECT_EQ(controller->profile().selectedProfile(), 1); // "mainselcetsubindex" default
    select(9);
    boxes().channel.choose(0);
    EXPECT_TRUE(controller->preferences().intoOwnFormat());
    EXPECT_EQ(controller->profile().selectedProfile(), 7); // the edition's profile
    boxes().channel.choose(1);
    EXPECT_EQ(controller->profile().selectedProfile(), 9); // recorded for that direction
    // Changed by a command, as a restore of a list kept for the other
    // direction changes it, the box follows.
    controller->changeDirection(0);
    EXPECT_TRUE(controller->preferences().intoOwnFormat());
    EXPECT_EQ(boxes().channel.currentIndex(), 0);
}

TEST_F(Direction, NoKeepsTheListTheProfileAndTheDirection)
{
    start(QStringLiteral("transcast-wmv"));
    select(60);
    addRow(QStringLiteral("640x480"), QStringLiteral("00:01:00"));
    interaction.answers.push_back(false);
    boxes().channel.choose(1);
    EXPECT_EQ(interaction.questions, QStringList({"Change function will clear list, continue?"}));
    EXPECT_EQ(controller->jobs().rowCount(), 1);
    EXPECT_TRUE(controller->preferences().intoOwnFormat());
    EXPECT_EQ(controller->profile().selectedProfile(), 60);
    EXPECT_EQ(boxes().channel.currentIndex(), 0);

    interaction.answers.push_back(true);
    boxes().channel.choose(1);
    EXPECT_EQ(controller->jobs().rowCount(), 0);
    EXPECT_FALSE(controller->preferences().intoOwnFormat());
}
