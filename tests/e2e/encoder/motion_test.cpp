// Interlaced, telecined, letterboxed and HDR sources through the real
// register.dat: what comes out is whole, as a player shows it, and what the
// user chose in the settings holds.
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "clips.h"

using namespace transcast::testclips;

namespace
{

// A moving picture softened as a camera's is: sharp synthetic detail would
// look combed to any detector.
const QString kMoving = QStringLiteral("testsrc2=s=720x%1:r=%2:d=4,gblur=sigma=1.2");

// Frames idet finds interlaced, and all it looked at.
std::pair<int, int> combedFrames(const QString& file)
{
    const RunResult run =
        runProgram(QStringLiteral("ffmpeg"),
                   {"-hide_banner", "-nostats", "-i", file, "-vf", "idet", "-f", "null", "-"});
    static const QRegularExpression counts(
        QStringLiteral("Multi frame detection: TFF: *(\\d+) BFF: *(\\d+) Progressive: *(\\d+)"));
    const QRegularExpressionMatch match = counts.match(QString::fromUtf8(run.output));
    const int combed = match.captured(1).toInt() + match.captured(2).toInt();
    return {combed, combed + match.captured(3).toInt()};
}

QString probed(const QString& file, const QString& entries)
{
    return QString::fromUtf8(runProgram(QStringLiteral("ffprobe"),
                                        {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                         entries, "-of", "csv=p=0", file})
                                 .output)
        .trimmed();
}

RunResult convert(const QString& source, const QStringList& options, const QString& output,
                  const QStringList& environment = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& setting : environment)
        env.insert(setting.section('=', 0, 0), setting.section('=', 1));
    return runRegister(QStringList{"-y", "-i", source} + options + QStringList{output}, {}, env);
}

const QStringList kMp4{"-r",   "25",      "-b",      "1500000", "-s", "640x360", "-aspect",
                       "16:9", "-vcodec", "libx264", "-an",     "-f", "mp4"};

// At the source's own size, where combing shows whole.
const QStringList kNative{"-r", "25", "-b", "4000000", "-vcodec", "libx264", "-an", "-f", "mp4"};

} // namespace

// PAL interlaced video and NTSC telecined film, flagged as interlaced MPEG-2
// as broadcasts and DVDs flag them, come out whole; "never" leaves the
// combing; a DVD keeps the fields; progressive MPEG-2 is not touched.
TEST(Motion, InterlacedAndTelecinedSourcesComeOutWhole)
{
    QTemporaryDir dir;
    const QString interlaced = dir.filePath("pal.mpg"), telecined = dir.filePath("film.mpg"),
                  progressive = dir.filePath("prog.mpg");
    const QStringList fields{"-c:v",   "mpeg2video",  "-b:v", "8M",
                             "-flags", "+ildct+ilme", "-top", "1"};
    ASSERT_TRUE(makeClip(interlaced, {"-f", "lavfi", "-i", kMoving.arg(576).arg(50)},
                         QStringList{"-vf", "interlace=scan=tff"} + fields));
    ASSERT_TRUE(makeClip(telecined, {"-f", "lavfi", "-i", kMoving.arg(480).arg("24000/1001")},
                         QStringList{"-vf", "telecine=first_field=top"} + fields));
    ASSERT_TRUE(makeClip(progressive, {"-f", "lavfi", "-i", kMoving.arg(480).arg("30000/1001")},
                         {"-c:v", "mpeg2video", "-b:v", "8M"}));
    for (const QString& source : {interlaced, telecined}) {
        SCOPED_TRACE(source.toStdString());
        ASSERT_GT(combedFrames(source).first, 40); // the sources are combed
        const QString output = source + ".mp4";
        const RunResult run = convert(source, kNative, output);
        ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
        const auto [combed, frames] = combedFrames(output);
        EXPECT_LE(combed, frames / 100) << combed << " of " << frames;
        EXPECT_NEAR(frames, 100, 1);
        const QString untouched = source + ".never.mp4";
        ASSERT_EQ(convert(source, kNative, untouched, {"TRANSCAST_DEINTERLACE=never"}).exitCode, 0);
        EXPECT_GT(combedFrames(untouched).first, 20);
    }
    const QString disc = dir.filePath("disc.mpg");
    ASSERT_EQ(convert(interlaced, {"-target", "pal-dvd", "-aspect", "4:3"}, disc).exitCode, 0);
    EXPECT_TRUE(probed(disc, "stream=field_order").startsWith("tt"))
        << probed(disc, "stream").toStdString();
    const RunResult explained = runRegister(QStringList{"--explain", "-y", "-i", progressive} +
                                            kMp4 + QStringList{dir.filePath("p.mp4")});
    EXPECT_TRUE(explained.output.contains("the source is progressive") &&
                !explained.output.contains("bwdif") && !explained.output.contains("fieldmatch"))
        << explained.output.toStdString();
}

// A 2.39:1 film letterboxed in 4:3 fills a 16:9 frame's width once its bars
// are cropped; the source's 30 fps is kept when asked; an HDR10 source comes
// out as SDR BT.709.
TEST(Motion, BarsCroppedRateKeptAndHdrMappedWhenAsked)
{
    QTemporaryDir dir;
    const QString letterboxed = dir.filePath("film.mp4");
    ASSERT_TRUE(makeClip(
        letterboxed,
        {"-f", "lavfi", "-i", "testsrc2=s=640x268:r=30:d=3,gblur=sigma=1,pad=640:480:0:106:black"},
        {"-c:v", "libx264", "-preset", "ultrafast"}));
    const QString output = dir.filePath("cropped.mp4");
    ASSERT_EQ(convert(letterboxed, kMp4, output,
                      {"TRANSCAST_CROP=automatic", "TRANSCAST_FRAME_RATE=source"})
                  .exitCode,
              0);
    EXPECT_EQ(probed(output, "stream=r_frame_rate"), "30/1");
    // The picture's left edge at mid-height is lit: no pillar bars.
    const RunResult edge =
        runProgram(QStringLiteral("ffmpeg"),
                   {"-hide_banner", "-nostats", "-i", output, "-frames:v", "1", "-vf",
                    "crop=8:8:0:176,signalstats,metadata=print:key=lavfi.signalstats.YAVG", "-f",
                    "null", "-"});
    const QRegularExpressionMatch luma =
        QRegularExpression(QStringLiteral("YAVG=([0-9.]+)")).match(QString::fromUtf8(edge.output));
    EXPECT_GT(luma.captured(1).toDouble(), 40) << edge.output.toStdString();

    const QString hdr = dir.filePath("hdr.mp4");
    ASSERT_TRUE(makeClip(hdr,
                         {"-f", "lavfi", "-i", "testsrc2=s=320x180:r=25:d=2,format=yuv420p10le"},
                         {"-c:v", "libx265", "-x265-params", "log-level=error", "-color_trc",
                          "smpte2084", "-color_primaries", "bt2020", "-colorspace", "bt2020nc"}));
    const QString sdr = dir.filePath("sdr.mp4");
    ASSERT_EQ(convert(hdr, kMp4, sdr).exitCode, 0);
    EXPECT_EQ(probed(sdr, "stream=pix_fmt,color_transfer,color_primaries"), "yuv420p,bt709,bt709");
}

// A profile's "-fpsmax N" keeps the source's rate up to N whatever the frame
// rate setting says (ffmpeg refuses it beside "-r": it never reaches ffmpeg);
// 59.94 fps under 30 comes out at 29.97, 50 under 60 stays 50. libx265 and
// libsvtav1 write 10 bits from a 10-bit source, 8 from an 8-bit one, and a
// line's own -pix_fmt stands.
TEST(Motion, TheProfilesCeilingKeepsTheSourcesRateAndItsDepth)
{
    QTemporaryDir dir;
    const QString ntsc = dir.filePath("ntsc.mp4"), deep = dir.filePath("deep.mkv");
    ASSERT_TRUE(makeClip(ntsc, {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=60000/1001:d=2"},
                         {"-c:v", "libx264", "-preset", "ultrafast"}));
    ASSERT_TRUE(makeClip(
        deep, {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=50:d=2"},
        {"-c:v", "libx265", "-x265-params", "log-level=error", "-pix_fmt", "yuv420p10le"}));
    const QStringList job{"-r", "25", "-b", "500000", "-s", "320x240", "-an"};
    const QString capped = dir.filePath("capped.mp4");
    const RunResult run = convert(
        ntsc, job + QStringList{"-vcodec", "libx265", "-fpsmax", "30", "-f", "mp4"}, capped);
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_EQ(probed(capped, "stream=r_frame_rate,pix_fmt"), "yuv420p,30000/1001");
    const QString kept = dir.filePath("kept.mkv");
    ASSERT_EQ(convert(deep,
                      job + QStringList{"-vcodec", "libx265", "-fpsmax", "60", "-f", "matroska"},
                      kept)
                  .exitCode,
              0);
    EXPECT_EQ(probed(kept, "stream=r_frame_rate,pix_fmt"), "yuv420p10le,50/1");
    const RunResult explained =
        runRegister(QStringList{"--explain", "-y", "-i", deep} + job +
                    QStringList{"-vcodec", "libx265", "-pix_fmt", "yuv420p", "-fpsmax", "30", "-f",
                                "mp4", dir.filePath("e.mp4")});
    EXPECT_FALSE(explained.output.contains("-fpsmax")) << explained.output.toStdString();
    EXPECT_TRUE(explained.output.contains("-r 25 ")) << explained.output.toStdString();
    EXPECT_FALSE(explained.output.contains("yuv420p10le")) << explained.output.toStdString();
}
