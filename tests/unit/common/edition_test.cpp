#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "common/edition.h"

using namespace transcast;

namespace
{
Edition named(const char* name)
{
    return Edition(QString::fromLatin1(name), QStringLiteral("/opt/transcast"));
}
} // namespace

TEST(Edition, FolderAndEncoderPathLieBesideTheExecutable)
{
    const Edition e = named("transcast");
    EXPECT_EQ(e.exeFolder(), QStringLiteral("/opt/transcast/"));
    EXPECT_EQ(e.encoderPath(), QStringLiteral("/opt/transcast/register.dat"));
    EXPECT_EQ(e.dataFile(QStringLiteral("images/sub/general/132.bmp")),
              QStringLiteral("/opt/transcast/images/sub/general/132.bmp"));
}

TEST(Edition, TitleAndIniNamesFollowTheFileName)
{
    EXPECT_EQ(named("transcast").programTitle(), QStringLiteral("transcast"));
    EXPECT_EQ(named("transcast").settingsFileName(), QStringLiteral("transcast.ini"));
    EXPECT_EQ(named("transcast").profileSettingsFileName(), QStringLiteral("pro transcast.ini"));
    EXPECT_EQ(named("conv.exe").programTitle(), QStringLiteral("conv"));
    EXPECT_EQ(named("conv.exe").settingsFileName(), QStringLiteral("conv.ini"));
    EXPECT_EQ(named("conv.exe").profileSettingsFileName(), QStringLiteral("pro conv.ini"));
    EXPECT_EQ(named("Sample.EXE").programTitle(), QStringLiteral("Sample"));
    // The text from the last dot on is replaced.
    EXPECT_EQ(named("transcast-1.2").settingsFileName(), QStringLiteral("transcast-1.ini"));
}

TEST(Edition, ModeAndBrandComeFromLowerCasedSubstrings)
{
    EXPECT_TRUE(named("transcast").isFileMode());
    EXPECT_FALSE(named("transcast-dvd").isFileMode());
    EXPECT_FALSE(named("My DvD Ripper.exe").isFileMode());
    EXPECT_TRUE(named("d-v-d").isFileMode());
    EXPECT_TRUE(named("KAVRI-avi").isBranded());
    EXPECT_FALSE(named("kavr").isBranded());
}

TEST(Edition, OwnFormatIsTheFirstKeywordTheNameHolds)
{
    const auto avi = named("transcast-avi").ownFormat();
    EXPECT_EQ(avi.filter, QStringLiteral("AVI files (*.avi)|*.avi"));
    EXPECT_EQ(named("transcast-avi").directionTexts(),
              QStringList({QStringLiteral("Convert Video To AVI"),
                           QStringLiteral("Convert AVI To Video")}));
    // "format" holds "rm".
    EXPECT_EQ(named("format").ownFormat().keyword, QStringLiteral("rm"));
    EXPECT_EQ(named("format").directionTexts().value(1), QStringLiteral("Convert RM To Video"));
    // mp4 is tested before ipod.
    EXPECT_EQ(named("ipod-mp4").ownFormat().keyword, QStringLiteral("mp4"));
    EXPECT_EQ(named("transcast-ipod").ownFormat().intoText,
              QStringLiteral("Convert Video To iPod"));
    EXPECT_EQ(named("transcast-3gp").ownFormat().filter,
              QStringLiteral("3GP files (*.3gp)|*.3gp;*.3gp2;*.3g2"));
    EXPECT_TRUE(named("transcast").ownFormat().filter.isEmpty());
    EXPECT_TRUE(named("transcast").directionTexts().isEmpty());
}

TEST(Edition, DefaultProfileFollowsTheKeywordOrder)
{
    EXPECT_EQ(named("conv_mp3.exe").defaultProfile(), 17);
    EXPECT_EQ(named("transform.exe").defaultProfile(), 6);
    EXPECT_EQ(named("transcast").defaultProfile(), 1);
    EXPECT_EQ(named("transcast-dvd").defaultProfile(), 1);
    EXPECT_EQ(named("avi-mp3").defaultProfile(), 102); // avi comes first
    EXPECT_EQ(named("audio-rm").defaultProfile(), 17);
    EXPECT_EQ(named("transcast-mp4").defaultProfile(), 118);
    EXPECT_EQ(named("FLV").defaultProfile(), 11);
}

TEST(Edition, ConfigFolderFollowsXdgAndIsCreated)
{
    QTemporaryDir dir;
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    const QString folder = Edition::configFolder();
    EXPECT_EQ(folder, dir.path() + QStringLiteral("/transcast/"));
    EXPECT_TRUE(QDir(folder).exists());
    qputenv("XDG_CONFIG_HOME", old);
}
