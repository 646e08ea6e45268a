#include <gtest/gtest.h>

#include <QFile>

#include "sources/probereportparser.h"

using namespace transcast;

namespace
{

QByteArray golden(const char* name)
{
    QFile file(QStringLiteral(TRANSCAST_TEST_DATA "/probe/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

ProbeResult parse(const QByteArray& report)
{
    ProbeReportParser parser;
    parser.reset();
    parser.feed(report);
    return parser.result();
}

ProbeReportParser::Texts cut(const QByteArray& report)
{
    ProbeReportParser parser;
    parser.reset();
    parser.feed(report);
    return parser.texts();
}

} // namespace

TEST(ProbeReportParser, ReadsTheEncodersReports)
{
    const ProbeResult avi = parse(golden("mpeg4-mp3.avi.txt"));
    EXPECT_EQ(avi.durationMs, 2040); // 00:00:02.04
    EXPECT_EQ(avi.overallKbps, 443);
    EXPECT_EQ(avi.videoKbps, 334);
    EXPECT_EQ(avi.audioKbps, 64);
    EXPECT_EQ(avi.frameSize, (FrameSize{320, 240}));

    const ProbeResult ps = parse(golden("mpeg2-ps.mpg.txt"));
    EXPECT_EQ(ps.overallKbps, 1446);
    EXPECT_EQ(ps.videoKbps, std::nullopt); // program streams tell no video bitrate
    EXPECT_EQ(ps.audioKbps, 448);
    EXPECT_EQ(ps.frameSize, (FrameSize{720, 576}));

    const ProbeResult text = parse(golden("text-file.txt"));
    EXPECT_EQ(text.overallKbps, std::nullopt);
    EXPECT_EQ(text.durationMs, std::nullopt);
}

TEST(ProbeReportParser, FollowsTheFixedPositionRules)
{
    const ProbeResult r = parse("  Duration: 00:01:30.04, start: 0.000000, bitrate: 1500 kb/s\r\n"
                                "    Stream #0.0: Video: mpeg4, yuv420p, 640x480, 25 tbr\r\n"
                                "    Stream #0.1: Audio: mp3, 44100 Hz, stereo, s16, 128 kb/s\r\n");
    EXPECT_EQ(r.durationMs, 90040);
    EXPECT_EQ(r.overallKbps, 1500);
    EXPECT_EQ(r.frameSize, (FrameSize{640, 480}));
    EXPECT_EQ(r.videoKbps, std::nullopt);
    EXPECT_EQ(r.audioKbps, 128);
    // Whole seconds only: the hundredths are read when they are there.
    EXPECT_EQ(parse("  Duration: 00:00:07, start: 0.0, bitrate: 9 kb/s\r").durationMs, 7000);

    // No blank within ten characters before " kb/s": the ten characters,
    // here too large a number to be a bitrate.
    const QByteArray wide = "bitrate:12345678901234 kb/s\r";
    EXPECT_EQ(cut(wide).overallBitrate, QStringLiteral("5678901234"));
    EXPECT_EQ(parse(wide).overallKbps, std::nullopt);
    // A frame size looks at most ten characters back and forward; what it
    // finds here is no frame size.
    const QByteArray junk = "Video: abcdefghijkl640x480123456789012\r";
    EXPECT_EQ(cut(junk).frameSize, QStringLiteral("fghijkl640x4801234567"));
    EXPECT_EQ(parse(junk).frameSize, std::nullopt);
}

TEST(ProbeReportParser, ALineCountsOnlyOnceItsCarriageReturnArrives)
{
    ProbeReportParser parser;
    parser.reset();
    parser.feed("  Duration: 00:00:10.00, start: 0.000000, bitrate: 900 kb/s\r\n"
                "    Stream #0.0: Video: 320x240, h264, 800 kb/s");
    EXPECT_EQ(parser.result().overallKbps, 900);
    EXPECT_EQ(parser.result().videoKbps, std::nullopt); // unfinished line
    EXPECT_EQ(parser.result().frameSize, std::nullopt);
    parser.feed(", 25 fps\r\n");
    EXPECT_EQ(parser.result().videoKbps, 800);
    EXPECT_EQ(parser.result().frameSize, (FrameSize{320, 240}));
    // The overall bitrate found in the first block survives the second.
    EXPECT_EQ(parser.result().overallKbps, 900);
    EXPECT_TRUE(parser.pending().isEmpty());
}

TEST(ProbeReportParser, ANewReportStartsEmpty)
{
    ProbeReportParser parser;
    parser.reset();
    parser.feed(golden("mpeg4-mp3.avi.txt"));
    parser.reset();
    parser.feed(golden("mpeg2-ps.mpg.txt"));
    EXPECT_EQ(parser.result().videoKbps, std::nullopt); // not the avi's 334
}
