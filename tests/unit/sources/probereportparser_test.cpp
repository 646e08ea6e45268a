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

} // namespace

TEST(ProbeReportParser, ReadsTheEncodersReports)
{
    const ProbeResult avi = parse(golden("mpeg4-mp3.avi.txt"));
    EXPECT_EQ(avi.duration, QStringLiteral("00:00:02"));
    EXPECT_EQ(avi.overallBitrate, QStringLiteral("443"));
    EXPECT_EQ(avi.videoBitrate, QStringLiteral("334"));
    EXPECT_EQ(avi.audioBitrate, QStringLiteral("64"));
    EXPECT_EQ(avi.frameSize, QStringLiteral("320x240"));

    const ProbeResult ps = parse(golden("mpeg2-ps.mpg.txt"));
    EXPECT_EQ(ps.overallBitrate, QStringLiteral("1446"));
    EXPECT_EQ(ps.videoBitrate, QString()); // program streams tell no video bitrate
    EXPECT_EQ(ps.audioBitrate, QStringLiteral("448"));
    EXPECT_EQ(ps.frameSize, QStringLiteral("720x576"));

    const ProbeResult text = parse(golden("text-file.txt"));
    EXPECT_TRUE(text.overallBitrate.isEmpty());
    EXPECT_TRUE(text.duration.isEmpty());
}

TEST(ProbeReportParser, FollowsTheFixedPositionRules)
{
    const ProbeResult r = parse("  Duration: 00:01:30.04, start: 0.000000, bitrate: 1500 kb/s\r\n"
                                "    Stream #0.0: Video: mpeg4, yuv420p, 640x480, 25 tbr\r\n"
                                "    Stream #0.1: Audio: mp3, 44100 Hz, stereo, s16, 128 kb/s\r\n");
    EXPECT_EQ(r.duration, QStringLiteral("00:01:30"));
    EXPECT_EQ(r.overallBitrate, QStringLiteral("1500"));
    EXPECT_EQ(r.frameSize, QStringLiteral("640x480"));
    EXPECT_TRUE(r.videoBitrate.isEmpty());
    EXPECT_EQ(r.audioBitrate, QStringLiteral("128"));

    // No blank within ten characters before " kb/s": the ten characters.
    EXPECT_EQ(parse("bitrate:12345678901234 kb/s\r").overallBitrate, QStringLiteral("5678901234"));
    // A frame size looks at most ten characters back and forward.
    EXPECT_EQ(parse("Video: abcdefghijkl640x480123456789012\r").frameSize,
              QStringLiteral("fghijkl640x4801234567"));
}

TEST(ProbeReportParser, ALineCountsOnlyOnceItsCarriageReturnArrives)
{
    ProbeReportParser parser;
    parser.reset();
    parser.feed("  Duration: 00:00:10.00, start: 0.000000, bitrate: 900 kb/s\r\n"
                "    Stream #0.0: Video: 320x240, h264, 800 kb/s");
    EXPECT_EQ(parser.result().overallBitrate, QStringLiteral("900"));
    EXPECT_TRUE(parser.result().videoBitrate.isEmpty()); // unfinished line
    EXPECT_TRUE(parser.result().frameSize.isEmpty());
    parser.feed(", 25 fps\r\n");
    EXPECT_EQ(parser.result().videoBitrate, QStringLiteral("800"));
    EXPECT_EQ(parser.result().frameSize, QStringLiteral("320x240"));
    // The overall bitrate found in the first block survives the second.
    EXPECT_EQ(parser.result().overallBitrate, QStringLiteral("900"));
    EXPECT_TRUE(parser.pending().isEmpty());
}

TEST(ProbeReportParser, ANewReportStartsEmpty)
{
    ProbeReportParser parser;
    parser.reset();
    parser.feed(golden("mpeg4-mp3.avi.txt"));
    parser.reset();
    parser.feed(golden("mpeg2-ps.mpg.txt"));
    EXPECT_TRUE(parser.result().videoBitrate.isEmpty()); // not the avi's 334
}
