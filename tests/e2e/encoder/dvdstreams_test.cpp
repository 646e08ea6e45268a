// What register.dat asks ffmpeg for when it reads a DVD title: the stream
// choice from the ids found in the title, and the command around the pipe.
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "dvd/dvdlocator.h"
#include "encoder/dvdinput.h"
#include "encoder/streamscan.h"
#include "encoder/subtitlelead.h"
#include "support/testdiscs.h"

using namespace transcast;
using transcast::dvd::DvdLocator;

namespace
{

using Arguments = std::vector<std::string>;

// A 2048-byte pack of one PES packet: video (0xE0), or the subpicture 0x20
// of private stream 1 when `subtitle`; with a PTS when pts >= 0. Its last
// byte tells the packs apart.
std::string pack(std::int64_t pts, bool subtitle, unsigned char mark)
{
    std::string bytes(2048, '\xff');
    const unsigned char head[14] = {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 1, 0x89, 0xC3, 0xF8};
    bytes.replace(0, 14, reinterpret_cast<const char*>(head), 14);
    const size_t length = 2048 - 14 - 6;
    // Unsigned: the bits of an absent time are never looked at, and shifting
    // a negative number is not defined.
    const std::uint64_t time = pts >= 0 ? static_cast<std::uint64_t>(pts) : 0;
    const unsigned char pes[] = {0,
                                 0,
                                 1,
                                 static_cast<unsigned char>(subtitle ? 0xBD : 0xE0),
                                 static_cast<unsigned char>(length >> 8),
                                 static_cast<unsigned char>(length & 0xFF),
                                 0x81,
                                 static_cast<unsigned char>(pts >= 0 ? 0x80 : 0),
                                 5,
                                 static_cast<unsigned char>(0x21 | (time >> 29 & 0x0E)),
                                 static_cast<unsigned char>(time >> 22),
                                 static_cast<unsigned char>(time >> 14 | 1),
                                 static_cast<unsigned char>(time >> 7),
                                 static_cast<unsigned char>(time << 1 | 1),
                                 0x20};
    bytes.replace(14, sizeof pes, reinterpret_cast<const char*>(pes), sizeof pes);
    bytes.back() = static_cast<char>(mark);
    return bytes;
}

// The marks of the packs as the lead passes them on.
std::string led(const std::vector<std::string>& packs, int subtitle = 0x20)
{
    SubtitleLead lead(subtitle);
    std::string out;
    for (const std::string& one : packs)
        lead.take(reinterpret_cast<const unsigned char*>(one.data()), out);
    lead.finish(out);
    std::string marks;
    for (size_t at = 2047; at < out.size(); at += 2048)
        marks += out[at];
    return marks;
}

} // namespace

TEST(DvdStreams, TheBurntSubtitleGoesBeforeThePicturesShownAfterItsStartAndNoFurther)
{
    const std::int64_t second = 90000;
    // Pictures 0.1 s apart muxed some half a second ahead of the subtitle
    // shown at 10 s; its second pack carries no time and follows it.
    std::vector<std::string> packs;
    for (int i = 0; i < 10; ++i)
        packs.push_back(pack(10 * second - 3 * second / 10 + i * second / 10, false, 'a' + i));
    packs.push_back(pack(10 * second, true, 'S'));
    packs.push_back(pack(-1, true, 'T'));
    EXPECT_EQ(led(packs), "abcdSTefghij");

    // A subtitle after the times start again (a new cell) stays after what
    // came before the jump; an untimed pack is never held back.
    packs = {pack(50 * second, false, 'a'), pack(-1, false, 'b'), pack(2 * second, false, 'c'),
             pack(2 * second + 9000, false, 'd'), pack(2 * second, true, 'S')};
    EXPECT_EQ(led(packs), "abcSd");

    // Leading another subtitle stream, or none, passes everything as it came.
    packs = {pack(5 * second, false, 'a'), pack(4 * second, true, 'S')};
    EXPECT_EQ(led(packs), "Sa");
    EXPECT_EQ(led(packs, 0x21), "aS");
    EXPECT_EQ(led(packs, 0), "aS");
}

TEST(DvdStreams, TheNamedAudioOrElseTheFirst)
{
    EXPECT_EQ(chooseDvdStreams(0x81, DvdLocator::kNoStream, {0x80, 0x81}, {}, true, true).arguments,
              (Arguments{"-map", "0:v:0", "-map", "0:i:0x81"}));
    EXPECT_EQ(
        chooseDvdStreams(DvdLocator::kNoStream, DvdLocator::kNoStream, {0x81, 0x82}, {}, true, true)
            .arguments,
        (Arguments{"-map", "0:v:0", "-map", "0:i:0x81"}));
    // ffmpeg names MPEG audio by its whole start code.
    EXPECT_EQ(chooseDvdStreams(0xc1, DvdLocator::kNoStream, {0xC0, 0xC1}, {}, true, true).arguments,
              (Arguments{"-map", "0:v:0", "-map", "0:i:0x1c1"}));

    const DvdStreamChoice missing =
        chooseDvdStreams(0x83, DvdLocator::kNoStream, {0x80}, {}, true, true);
    EXPECT_EQ(missing.arguments, (Arguments{"-map", "0:v:0", "-map", "0:i:0x80"}));
    ASSERT_EQ(missing.warnings.size(), 1u);
    EXPECT_NE(missing.warnings[0].find("0x83 is not in this title; using 0x80"), std::string::npos);
}

TEST(DvdStreams, NoSoundIsNoAudioMapNeverAFailure)
{
    EXPECT_EQ(chooseDvdStreams(DvdLocator::kNoStream, DvdLocator::kNoStream, {}, {}, true, true)
                  .arguments,
              (Arguments{"-map", "0:v:0"}));
    const DvdStreamChoice asked = chooseDvdStreams(0x80, DvdLocator::kNoStream, {}, {}, true, true);
    EXPECT_EQ(asked.arguments, (Arguments{"-map", "0:v:0"}));
    EXPECT_EQ(asked.warnings.size(), 1u);
    // Options that drop a kind of stream drop its map too.
    EXPECT_EQ(chooseDvdStreams(0x80, 0x20, {0x80}, {0x20}, false, true).arguments,
              (Arguments{"-map", "0:i:0x80"}));
    EXPECT_EQ(chooseDvdStreams(0x80, DvdLocator::kNoStream, {0x80}, {}, true, false).arguments,
              (Arguments{"-map", "0:v:0"}));
}

TEST(DvdStreams, ASubtitleIsBurnedInWhenTheTitleHasItInItsColoursElseTheJobFails)
{
    std::vector<std::uint32_t> palette(16, 0x000000);
    palette[1] = 0xffff00;
    const DvdStreamChoice burned =
        chooseDvdStreams(0x80, 0x21, {0x80}, {0x20, 0x21}, true, true, palette);
    EXPECT_EQ(burned.arguments, (Arguments{"-filter_complex", "[0:v:0][0:i:0x21]overlay[burned]",
                                           "-map", "[burned]", "-map", "0:i:0x80"}));
    ASSERT_EQ(burned.inputOptions.size(), 2u);
    EXPECT_EQ(burned.inputOptions[0], "-palette");
    EXPECT_EQ(burned.inputOptions[1].substr(0, 14), "000000,ffff00,");
    EXPECT_TRUE(burned.failure.empty());

    const DvdStreamChoice missing = chooseDvdStreams(0x80, 0x22, {0x80}, {0x20}, true, true);
    EXPECT_NE(missing.failure.find("0x22 is not in this title"), std::string::npos);
}

TEST(DvdStreams, TheLocatorGivesWayToThePipeAndTheOptionsStay)
{
    const Arguments app = {"-y", "-re",    "-i",     "vts://01*0*100*0*0*//d", "-t", "00:00:10",
                           "-b", "600000", "out.avi"};
    DvdStreamChoice choice;
    choice.inputOptions = {"-palette", "ffff00"};
    choice.arguments = {"-map", "0:v:0"};
    EXPECT_EQ(dvdArguments(app, choice),
              (Arguments{"-y", "-re", "-probesize", "32M", "-analyzeduration", "60M", "-palette",
                         "ffff00", "-f", "mpeg", "-i", "pipe:0", "-map", "0:v:0", "-t", "00:00:10",
                         "-b", "600000", "out.avi"}));
}

TEST(DvdStreams, TheScanFindsTheTracksOfAnAuthoredTitle)
{
    const auto& discs = testdiscs::testDiscs();
    ASSERT_TRUE(discs.ok) << discs.error;
    std::ifstream vob(discs.videoTs() + "/VTS_01_1.VOB", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(vob), std::istreambuf_iterator<char>()};
    StreamScan scan;
    scan.feed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    EXPECT_EQ(scan.audioIds(), (std::set<int>{0x80, 0x81}));
    EXPECT_EQ(scan.subtitleIds(), (std::set<int>{0x20}));

    // Garbage and cut sectors are passed over.
    StreamScan noise;
    std::string junk(4096 + 100, '\1');
    junk[0] = 0, junk[1] = 0, junk[2] = 1, junk[3] = static_cast<char>(0xBA);
    noise.feed(reinterpret_cast<const unsigned char*>(junk.data()), junk.size());
    EXPECT_TRUE(noise.audioIds().empty());
}
