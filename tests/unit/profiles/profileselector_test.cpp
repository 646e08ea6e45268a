#include "profile_fixture.h"

#include "profiles/profiledefinitions.h"
#include "profiles/qualitytexts.h"

using namespace transcast;

namespace
{
QStringList split(const char* line)
{
    return ProfileDefinitions::splitItems(QString::fromLatin1(line));
}
} // namespace

TEST(SplitItems, BlanksSeparateAndOddItemsEndTheList)
{
    EXPECT_EQ(split("320x240 640x480"), QStringList({"320x240", "640x480"}));
    EXPECT_EQ(split("*"), QStringList());
    EXPECT_EQ(split("* 320x240"), QStringList({"*", "320x240"}));
    EXPECT_EQ(split(" 320x240"), QStringList());            // leading blank
    EXPECT_EQ(split("100  200 300"), QStringList({"100"})); // two blanks
    EXPECT_EQ(split("100 200 5"), QStringList({"100", "200"}));
    EXPECT_EQ(split("100 200 "), QStringList({"100", "200"}));
    EXPECT_EQ(split(""), QStringList());
}

using ProfileSelection = ProfileFixture;

TEST_F(ProfileSelection, FillsTheBoxesFromTheProfilesGroup)
{
    groups[105].options = QStringLiteral("-f avi -vcodec mpeg4 -vtag DIVX");
    start();
    select(105);
    ProfileSelector& profile = controller->profile();
    EXPECT_EQ(profile.displayName(), QStringLiteral("AVI - MPEG-4 Movie(*.avi)"));
    EXPECT_EQ(profile.outputExtension(), QStringLiteral(".avi"));
    EXPECT_EQ(profile.optionLine(), QStringLiteral("-f avi -vcodec mpeg4 -vtag DIVX"));
    // Six sizes and, for an .avi output below 112, the source's own size.
    ASSERT_EQ(boxes().size.count(), 7);
    EXPECT_EQ(boxes().size.itemText(6), kOriginalSize);
    // Item k lands in slot 4 - k: the first number feeds the lowest quality.
    EXPECT_EQ(profile.videoBitrateSlots()[4], QStringLiteral("100"));
    EXPECT_EQ(profile.videoBitrateSlots()[0], QStringLiteral("500"));
    EXPECT_EQ(boxes().videoBitrate.items().last(), kOriginalVideo);
    EXPECT_EQ(boxes().audioBitrate.items().last(), kOriginalAudio);
    EXPECT_EQ(profile.selectedProfile(), 105);
    EXPECT_EQ(settingsIni().readInteger("profiles", "selcetsubindex", 0), 105);
}

TEST_F(ProfileSelection, SourceQualityEntriesFollowTheExactExtension)
{
    start();
    for (int p = 118; p <= 122; ++p) {
        select(p);
        EXPECT_FALSE(boxes().videoBitrate.contains(kOriginalVideo)) << p;
        EXPECT_FALSE(boxes().audioBitrate.contains(kOriginalAudio)) << p;
        EXPECT_FALSE(boxes().size.contains(kOriginalSize)) << p;
    }
    // "(*.MP4)" is not ".mp4"; above 111 no original size is offered though.
    select(123);
    EXPECT_EQ(boxes().videoBitrate.items().last(), kOriginalVideo);
    EXPECT_EQ(boxes().audioBitrate.items().last(), kOriginalAudio);
    EXPECT_FALSE(boxes().size.contains(kOriginalSize));
    // List-driven profiles never offer them.
    select(27);
    EXPECT_EQ(boxes().videoBitrate.count(), 5);
    EXPECT_EQ(boxes().audioBitrate.count(), 5);
}

TEST_F(ProfileSelection, DvdEditionsOfferNoSourceQuality)
{
    start(QStringLiteral("transcast-dvd"));
    select(123);
    EXPECT_EQ(boxes().videoBitrate.count(), 5);
    EXPECT_EQ(boxes().audioBitrate.count(), 5);
}

TEST_F(ProfileSelection, AudioProfilesTurnNoVideoModeOnAndVideoProfilesOff)
{
    start();
    select(17);
    EXPECT_TRUE(controller->profile().noVideoMode());
    EXPECT_EQ(boxes().size.items(), QStringList({kNoVideo}));
    EXPECT_EQ(boxes().size.currentIndex(), 0);
    EXPECT_FALSE(boxes().size.isEnabled());
    EXPECT_FALSE(boxes().videoBitrate.isEnabled());
    EXPECT_EQ(boxes().videoBitrate.currentText(), kNoVideo);
    EXPECT_EQ(controller->profile().videoBitrateSlots()[0], QStringLiteral("*"));

    select(18); // a second audio profile: still one "No Video"
    EXPECT_EQ(boxes().videoBitrate.items().count(kNoVideo), 1);

    select(27);
    EXPECT_FALSE(controller->profile().noVideoMode());
    EXPECT_FALSE(boxes().videoBitrate.contains(kNoVideo));
    EXPECT_TRUE(boxes().size.isEnabled());
    EXPECT_TRUE(boxes().videoBitrate.isEnabled());
    EXPECT_EQ(controller->profile().videoBitrateSlots()[0], QStringLiteral("500"));
}

TEST_F(ProfileSelection, AStarBitrateLineNeedsASingleSize)
{
    groups[30].bitrate = QStringLiteral("*");
    groups[30].size = QStringLiteral("320x240 640x480");
    start();
    select(27);
    select(30);
    EXPECT_FALSE(controller->profile().noVideoMode());
    EXPECT_EQ(controller->profile().videoBitrateSlots()[0], QStringLiteral("500")); // unchanged
    EXPECT_TRUE(boxes().videoBitrate.isEnabled());
}

TEST_F(ProfileSelection, AFourItemLineLeavesSlotZeroAlone)
{
    groups[28].bitrate = QStringLiteral("10 20 30 40");
    start();
    select(27);
    select(28);
    const auto& bitrateSlots = controller->profile().videoBitrateSlots();
    EXPECT_EQ(bitrateSlots[4], QStringLiteral("10"));
    EXPECT_EQ(bitrateSlots[1], QStringLiteral("40"));
    EXPECT_EQ(bitrateSlots[0], QStringLiteral("500"));
}

TEST_F(ProfileSelection, DiscProfilesOfferPalAndNtscWithQualityDisabled)
{
    start();
    for (int p = 112; p <= 114; ++p) {
        select(17); // from no-video mode
        select(p);
        EXPECT_EQ(boxes().size.items(), QStringList({kPal, kNtsc})) << p;
        EXPECT_TRUE(boxes().size.isEnabled());
        EXPECT_FALSE(boxes().videoBitrate.isEnabled());
        EXPECT_FALSE(boxes().audioBitrate.isEnabled());
        EXPECT_FALSE(boxes().videoBitrate.contains(kNoVideo));
        EXPECT_FALSE(boxes().videoBitrate.contains(kOriginalVideo));
    }
}

TEST_F(ProfileSelection, NumbersWithoutANameKeepTheLastNameAndRememberNothing)
{
    start();
    select(125);
    select(131);
    EXPECT_EQ(controller->profile().displayName(), QStringLiteral("MKV - WMV Movie(*.mkv)"));
    boxes().size.choose(3);
    select(1);
    EXPECT_TRUE(profileIni().readString("131", "size").isNull());
    select(26); // no catalogue row: the name stays that of 1
    EXPECT_EQ(controller->profile().displayName(),
              QStringLiteral("ASF-Advanced Streaming Format(*.asf)"));
}

TEST_F(ProfileSelection, AMissingFileChangesNothing)
{
    start();
    select(105);
    const QStringList sizesBefore = boxes().size.items();
    const QString nameBefore = controller->profile().displayName();
    QFile::remove(definitionsPath());
    EXPECT_FALSE(controller->profile().selectProfile(27));
    ASSERT_EQ(interaction.errors.size(), 1);
    EXPECT_TRUE(interaction.errors.first().contains(QStringLiteral("profiles.pop")));
    EXPECT_EQ(controller->profile().displayName(), nameBefore);
    EXPECT_EQ(settingsIni().readInteger("profiles", "selcetsubindex", 0), 105);
    EXPECT_EQ(boxes().size.items(), sizesBefore);
    EXPECT_EQ(controller->profile().selectedProfile(), 105);
}

// A profile whose group is cut short, or sits on shifted lines because a
// line went missing further up, would convert with no options or with its
// neighbour's: it cannot be chosen, and says which profile it is. The
// profiles before the fault keep working.
TEST_F(ProfileSelection, AnIncompleteOrShiftedGroupCannotBeChosen)
{
    start();
    select(27);
    const QString optionsBefore = controller->profile().optionLine();
    const QStringList sizesBefore = boxes().size.items();

    // The file ends after the size line of 131.
    writeDefinitions(130);
    QFile file(definitionsPath());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("#131 profile\n640x360 1280x720\n");
    file.close();
    EXPECT_FALSE(controller->profile().selectProfile(131));
    ASSERT_EQ(interaction.errors.size(), 1);
    EXPECT_TRUE(
        interaction.errors.first().startsWith(QStringLiteral("Profile 131 cannot be chosen")))
        << interaction.errors.first().toStdString();
    EXPECT_EQ(controller->profile().optionLine(), optionsBefore);
    EXPECT_EQ(boxes().size.items(), sizesBefore);
    EXPECT_EQ(controller->profile().selectedProfile(), 27);

    // The option line of 30 lost: 30 and every group after it are off.
    writeDefinitions();
    QFile pop(definitionsPath());
    ASSERT_TRUE(pop.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = pop.readAll().split('\n');
    pop.close();
    lines.removeAt(4 * 30 - 1);
    ASSERT_TRUE(pop.open(QIODevice::WriteOnly | QIODevice::Truncate));
    pop.write(lines.join('\n'));
    pop.close();
    for (int shifted : {30, 31, 100}) {
        interaction.errors.clear();
        EXPECT_FALSE(controller->profile().selectProfile(shifted)) << shifted;
        EXPECT_EQ(interaction.errors.size(), 1) << shifted;
    }
    EXPECT_TRUE(controller->profile().selectProfile(29));
    EXPECT_EQ(controller->profile().selectedProfile(), 29);
}

// A whole group missing from the middle leaves the numbered first lines
// one group off.
TEST_F(ProfileSelection, ANumberedGroupMustBeItsOwn)
{
    start();
    writeDefinitions();
    QFile pop(definitionsPath());
    ASSERT_TRUE(pop.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = pop.readAll().split('\n');
    pop.close();
    for (int i = 0; i < 4; ++i)
        lines.removeAt(4 * 40 - 4);
    ASSERT_TRUE(pop.open(QIODevice::WriteOnly | QIODevice::Truncate));
    pop.write(lines.join('\n'));
    pop.close();
    EXPECT_TRUE(controller->profile().selectProfile(39));
    EXPECT_FALSE(controller->profile().selectProfile(40));
    EXPECT_FALSE(controller->profile().selectProfile(41));
}

TEST_F(ProfileSelection, TheCategoryIconAndNameAreAnnounced)
{
    start();
    QList<int> icons;
    QStringList names;
    QObject::connect(&controller->profile(), &ProfileSelector::categoryIconRequested,
                     [&](int c) { icons << c; });
    QObject::connect(&controller->profile(), &ProfileSelector::displayNameChanged,
                     [&](const QString& n) { names << n; });
    controller->profile().picker().selectIndex = 12;
    select(93);
    EXPECT_EQ(icons, QList<int>({12}));
    EXPECT_EQ(names, QStringList({"HD MPEG-4 AVC Video(*.mp4)"}));
    // The icon is the chosen profile's, whatever category the picker
    // highlighted last; a fly-out's profile belongs to the video category.
    controller->profile().picker().selectIndex = 5;
    select(3);
    select(121);
    EXPECT_EQ(icons, QList<int>({12, 1, 1}));
}
