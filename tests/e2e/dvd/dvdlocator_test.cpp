// The DVD locator's text form, and the names the discovery derives from an IFO
// path and from the track descriptions.
#include <gtest/gtest.h>

#include "dvd/dvdlocator.h"
#include "dvd/tracktext.h"

using namespace transcast::dvd;

TEST(DvdLocator, ReadsEveryFieldAndWritesTheSameTextBack)
{
    const std::string text = "vts://03*2712*9999*0x81*0x20*//home/me/My Disc";
    std::string error;
    const auto locator = parseDvdLocator(text, &error);
    ASSERT_TRUE(locator) << error;
    EXPECT_EQ(locator->titleSet, 3);
    EXPECT_EQ(locator->startPos, 2712);
    EXPECT_EQ(locator->endPos, 9999);
    EXPECT_EQ(locator->audioId, 0x81);
    EXPECT_EQ(locator->subtitleId, 0x20);
    EXPECT_EQ(locator->root, "/home/me/My Disc");
    EXPECT_TRUE(locator->hasAudioId());
    EXPECT_TRUE(locator->hasSubtitleId());
    EXPECT_EQ(formatDvdLocator(*locator), text);

    DvdLocator made;
    made.titleSet = 12;
    made.startPos = 0;
    made.endPos = 1000;
    made.root = "/media/cdrom";
    EXPECT_EQ(formatDvdLocator(made), "vts://12*0*1000*0*0*//media/cdrom");
}

TEST(DvdLocator, MissingIdsMeanFirstAudioAndNoSubtitle)
{
    const auto empty = parseDvdLocator("vts://1*0*1500***/disc");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->titleSet, 1);
    EXPECT_FALSE(empty->hasAudioId());
    EXPECT_FALSE(empty->hasSubtitleId());
    EXPECT_EQ(empty->root, "disc");
    const auto zeros = parseDvdLocator("vts://01*0*1500*0*0*/");
    ASSERT_TRUE(zeros);
    EXPECT_FALSE(zeros->hasAudioId());
    EXPECT_EQ(zeros->root, "/");
    // Only the first five stars separate: a root may hold one.
    const auto star = parseDvdLocator("vts://01*0*1500*0*0*//tmp/a*b");
    ASSERT_TRUE(star);
    EXPECT_EQ(star->root, "/tmp/a*b");
}

TEST(DvdLocator, RefusesMalformedTextsSayingWhy)
{
    const char* bad[] = {
        "",
        "/home/me/film.vob",
        "vts://",
        "vts://01*0*1500*0x80*0",      // no root
        "vts://01*0*1500*0x80*0*disc", // root not after "*/"
        "vts://00*0*1500*0x80*0*//d",  // no title set 0
        "vts://100*0*1500*0x80*0*//d", // nor 100
        "vts://ab*0*1500*0x80*0*//d",
        "vts://01*-5*1500*0x80*0*//d",   // negative start
        "vts://01*2000*1500*0x80*0*//d", // end before start
        "vts://01*0*99999999999*0x80*0*//d",
        "vts://01*0*1500*English*0*//d",
        "vts://01*0*1500*0x80*0x2*//d",
        "vts://01*1 0*1500*0x80*0*//d",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(parseDvdLocator(text, &error)) << text;
        EXPECT_NE(error.find("not a DVD locator"), std::string::npos) << text;
    }
}

TEST(DvdLocator, DiscRootAndTitleSetComeFromTheIfoPath)
{
    EXPECT_EQ(discRootOfIfoPath("/media/cdrom/VIDEO_TS/VTS_01_0.IFO"), "/media/cdrom");
    EXPECT_EQ(discRootOfIfoPath("/home/me/video_ts_copies/Disc/video_ts/vts_02_0.ifo"),
              "/home/me/video_ts_copies/Disc");
    EXPECT_EQ(discRootOfIfoPath("/VIDEO_TS/VTS_01_0.IFO"), "/");
    EXPECT_EQ(discRootOfIfoPath("/home/me/ifos/VTS_01_0.IFO"), "/home/me/ifos");
    EXPECT_EQ(discRootOfIfoPath("/home/me/film.iso/VIDEO_TS/VTS_03_0.IFO"), "/home/me/film.iso");

    EXPECT_EQ(titleSetOfIfoPath("/media/cdrom/VIDEO_TS/VTS_01_0.IFO"), 1);
    EXPECT_EQ(titleSetOfIfoPath("/x/vts_12_0.ifo"), 12);
    EXPECT_EQ(titleSetOfIfoPath("/x/VIDEO_TS.IFO"), 0);
    EXPECT_EQ(titleSetOfIfoPath("/x/VTS_01_1.VOB"), 0);
    EXPECT_EQ(titleSetOfIfoPath("/x/VTS_00_0.IFO"), 0);
    EXPECT_EQ(titleSetOfIfoPath("/x/film.ifo"), 0);
}

TEST(DvdDescriptions, StreamIdsAreWrittenAsTheLocatorTakesThem)
{
    EXPECT_EQ(streamIdText(0x80), "0x80");
    EXPECT_EQ(streamIdText(0x2a), "0x2a");
    const auto locator =
        parseDvdLocator("vts://01*0*9*" + streamIdText(0xC1) + "*" + streamIdText(0x21) + "*/disc");
    ASSERT_TRUE(locator);
    EXPECT_EQ(locator->audioId, 0xC1);
    EXPECT_EQ(locator->subtitleId, 0x21);
}
