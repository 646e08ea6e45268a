// register.dat keeps the picture's shape: a source of another shape than
// the frame the app asks for is fitted inside it with black bars, measured on
// the pixels ffmpeg wrote.
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "clips.h"
#include "dvd/dvdlocator.h"
#include "encoder/shape.h"
#include "support/testdiscs.h"
#include "support/titlesetcells.h"

using namespace transcast;
using namespace transcast::testclips;

namespace
{

// One decoded frame in grey levels.
struct Picture {
    int width = 0;
    int height = 0;
    QByteArray grey;
    int at(int x, int y) const { return static_cast<unsigned char>(grey[y * width + x]); }
    // The darkest a row gets, and the lightest.
    int rowMin(int y) const
    {
        int least = 255;
        for (int x = 0; x < width; ++x)
            least = std::min(least, at(x, y));
        return least;
    }
    int rowMax(int y, int from = 0, int to = -1) const
    {
        int most = 0;
        for (int x = from; x < (to < 0 ? width : to); ++x)
            most = std::max(most, at(x, y));
        return most;
    }
    int columnMax(int x) const
    {
        int most = 0;
        for (int y = 0; y < height; ++y)
            most = std::max(most, at(x, y));
        return most;
    }
    // How many pixels of the row (or column) through (x, y) are dark, the
    // bars excluded: the width and height of a dark disc on white.
    int darkAcross(int y, int from, int to) const
    {
        int dark = 0;
        for (int x = from; x < to; ++x)
            dark += at(x, y) < 100;
        return dark;
    }
    int darkDown(int x, int from, int to) const
    {
        int dark = 0;
        for (int y = from; y < to; ++y)
            dark += at(x, y) < 100;
        return dark;
    }
};

Picture firstFrame(const QString& file, int width, int height)
{
    const RunResult run =
        runProgram(QStringLiteral("ffmpeg"), {"-v", "error", "-ss", "0.5", "-i", file, "-frames:v",
                                              "1", "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    Picture picture{width, height, run.output};
    if (picture.grey.size() != width * height)
        picture.grey.clear();
    return picture;
}

// The picture stream's fields, comma-separated ("320,240").
QString streamField(const QString& file, const char* fields)
{
    const RunResult run = runProgram(QStringLiteral("ffprobe"),
                                     {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                      QStringLiteral("stream=%1").arg(QLatin1String(fields)), "-of",
                                      "default=nw=1:nk=1", file});
    return QString::fromUtf8(run.output).split('\n', Qt::SkipEmptyParts).join(',');
}

// Width over height as the picture stream declares it to players.
double displayAspect(const QString& file)
{
    const QStringList fields = streamField(file, "width,height,sample_aspect_ratio").split(',');
    if (fields.size() != 3)
        return 0;
    const double pixel = fields[2].section(':', 0, 0).toDouble() /
                         std::max(1.0, fields[2].section(':', 1, 1).toDouble());
    return fields[0].toDouble() * pixel / std::max(1.0, fields[1].toDouble());
}

// A dark disc of `radius` display pixels, centred, on white: drawn on the
// stored pixels so that it is round when shown at `aspect`.
::testing::AssertionResult makeDisc(const QString& path, int width, int height,
                                    const QString& aspect, double pixelWidth, int radius)
{
    const QString disc =
        QStringLiteral("color=c=white:s=%1x%2:r=25:d=1,format=yuv420p,"
                       "geq=lum='if(lt(hypot((X-%3)*%4,Y-%5),%6),20,235)':cb=128:cr=128")
            .arg(width)
            .arg(height)
            .arg(width / 2)
            .arg(pixelWidth)
            .arg(height / 2)
            .arg(radius);
    return makeClip(path, {"-f", "lavfi", "-i", disc},
                    {"-c:v", "mpeg4", "-q:v", "2", "-aspect", aspect});
}

RunResult convertLikeTheApp(const QString& source, const QString& size, const QString& aspect,
                            const QString& output)
{
    return runRegister({"-y", "-i", source, "-r", "25", "-b", "900000", "-ac", "2", "-aspect",
                        aspect, "-s", size, "-vcodec", "mpeg4", output});
}

} // namespace

TEST(PictureShape, ACircleStaysACircleBetweenTheBars)
{
    QTemporaryDir folder;
    struct Case {
        const char* name;
        int width, height;
        const char* sourceAspect;
        double pixelWidth; // of the source, for the disc to be round when shown
        int radius;
        const char* size;
        const char* aspect; // as the app writes it
        int frameWidth, frameHeight;
        int barTop, barLeft; // expected bars, in output pixels
        int diameter;        // expected disc, in output pixels
    };
    const Case cases[] = {
        // 16:9 square pixels into a 4:3 frame: letterbox.
        {"wide", 1280, 720, "16:9", 1.0, 250, "320x240", "1.3333", 320, 240, 30, 0, 125},
        // A PAL DVD's anamorphic 16:9 (pixels 64:45 wide) into 4:3.
        {"anamorphic", 720, 576, "16:9", 64.0 / 45.0, 200, "320x240", "1.3333", 320, 240, 30, 0,
         125},
        // 4:3 into a 16:9 frame: pillarbox.
        {"narrow", 640, 480, "4:3", 1.0, 160, "320x180", "1.7778", 320, 180, 0, 40, 120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString source = folder.filePath(QStringLiteral("%1.mp4").arg(c.name));
        ASSERT_TRUE(makeDisc(source, c.width, c.height, c.sourceAspect, c.pixelWidth, c.radius));
        const QString output = folder.filePath(QStringLiteral("%1-out.mp4").arg(c.name));
        const RunResult run = convertLikeTheApp(source, c.size, c.aspect, output);
        ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
        EXPECT_EQ(streamField(output, "width,height"),
                  QStringLiteral("%1,%2").arg(c.frameWidth).arg(c.frameHeight));
        EXPECT_EQ(streamField(output, "sample_aspect_ratio"), QStringLiteral("1:1"));

        const Picture picture = firstFrame(output, c.frameWidth, c.frameHeight);
        ASSERT_FALSE(picture.grey.isEmpty());
        // The bars are black up to the picture, whose white starts right there.
        for (int y = 0; y + 2 < c.barTop; ++y) {
            EXPECT_LE(picture.rowMax(y), 24) << "row " << y;
            EXPECT_LE(picture.rowMax(c.frameHeight - 1 - y), 24) << "row from below " << y;
        }
        for (int x = 0; x + 2 < c.barLeft; ++x) {
            EXPECT_LE(picture.columnMax(x), 24) << "column " << x;
            EXPECT_LE(picture.columnMax(c.frameWidth - 1 - x), 24) << "column from right " << x;
        }
        EXPECT_GE(picture.at(c.barLeft + 3, c.barTop + 3), 200);
        EXPECT_GE(picture.at(c.frameWidth - c.barLeft - 4, c.frameHeight - c.barTop - 4), 200);

        // Square output pixels: the disc is as wide as it is high.
        const int across =
            picture.darkAcross(c.frameHeight / 2, c.barLeft, c.frameWidth - c.barLeft);
        const int down = picture.darkDown(c.frameWidth / 2, c.barTop, c.frameHeight - c.barTop);
        EXPECT_NEAR(across, c.diameter, 4);
        EXPECT_NEAR(down, c.diameter, 4);
    }
}

TEST(PictureShape, ShapesWithinTwoPercentAreLeftAsTheyAre)
{
    QTemporaryDir folder;
    const QString white = folder.filePath("white.mp4");
    ASSERT_TRUE(makeClip(white, {"-f", "lavfi", "-i", "color=c=white:s=1280x720:r=25:d=1"},
                         {"-c:v", "mpeg4", "-q:v", "2"}));
    struct Case {
        const char* size;
        const char* aspect;
        int bar; // rows of black above and below
    } const cases[] = {
        {"640x364", "1.7582", 0}, // 1.1 % narrower than 16:9: filled as before
        {"640x372", "1.7204", 6}, // 3.2 % narrower: bars
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const QString output = folder.filePath(QStringLiteral("%1.mp4").arg(c.size));
        const RunResult run = convertLikeTheApp(white, c.size, c.aspect, output);
        ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
        const int height = QString(c.size).section('x', 1).toInt();
        const Picture picture = firstFrame(output, 640, height);
        ASSERT_FALSE(picture.grey.isEmpty());
        for (int y = 0; y + 1 < c.bar; ++y)
            EXPECT_LE(picture.rowMax(y), 24) << "row " << y;
        EXPECT_GE(picture.rowMin(c.bar + 1), 200);
        EXPECT_GE(picture.rowMin(height - c.bar - 2), 200);
    }
    EXPECT_EQ(parseAspect("1,3333").num, 4);
    EXPECT_EQ(parseAspect("1.2222").den, 9);
    EXPECT_EQ(parseAspect("16:9").num, 16);
    EXPECT_FALSE(parseAspect("wide").known());
    // Terms beyond 255 are brought near as ffmpeg brings them, so the
    // largest frame's pixel shape is still a ratio of positive numbers.
    const Aspect huge = parseAspect("9223372036854775807:3");
    EXPECT_TRUE(huge.known() && huge.num <= 255 && huge.den == 1);
    const Aspect near = parseAspect("1777778:1000000");
    EXPECT_EQ(near.num * 1000 / near.den, 1777);
    const std::optional<Frame> frame =
        requestedFrame({"-s", "999999x999998", "-aspect", "9223372036854775807:2"});
    ASSERT_TRUE(frame.has_value());
    const std::string chain = fitFilter(*frame);
    const std::string sar = chain.substr(chain.find("setsar=") + 7);
    EXPECT_GT(std::stoll(sar), 0) << chain;
    EXPECT_GT(std::stoll(sar.substr(sar.find('/') + 1)), 0) << chain;
}

TEST(PictureShape, DiscTargetsKeepTheirFlagsAndBarTheRest)
{
    QTemporaryDir folder;
    struct Case {
        const char* name;
        const char* source; // lavfi size, square pixels
        const char* target;
        double flag; // the display aspect the disc declares
        int frameWidth, frameHeight;
        int bar; // black rows above and below
    } const cases[] = {
        {"wide", "1280x720", "pal-dvd", 16.0 / 9, 720, 576, 0},
        {"standard", "640x480", "ntsc-dvd", 4.0 / 3, 720, 480, 0},
        // Scope: bars inside the 16:9 flag (576 * (16/9) / 2.35 = 436 rows).
        {"scope", "940x400", "pal-dvd", 16.0 / 9, 720, 576, 70},
        // A Video CD is 4:3 whatever the source.
        {"vcd", "1280x720", "pal-vcd", 4.0 / 3, 352, 288, 36},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString source = folder.filePath(QStringLiteral("%1.mp4").arg(c.name));
        ASSERT_TRUE(makeClip(
            source,
            {"-f", "lavfi", "-i", QStringLiteral("color=c=white:s=%1:r=25:d=1").arg(c.source)},
            {"-c:v", "mpeg4", "-q:v", "2"}));
        const QString output = folder.filePath(QStringLiteral("%1.mpg").arg(c.name));
        const RunResult run =
            runRegister({"-y", "-i", source, "-ac", "2", "-target", c.target, output});
        ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
        EXPECT_EQ(streamField(output, "width,height"),
                  QStringLiteral("%1,%2").arg(c.frameWidth).arg(c.frameHeight));
        EXPECT_NEAR(displayAspect(output), c.flag, 0.01);
        const Picture picture = firstFrame(output, c.frameWidth, c.frameHeight);
        ASSERT_FALSE(picture.grey.isEmpty());
        for (int y = 0; y + 2 < c.bar; ++y)
            EXPECT_LE(picture.rowMax(y), 24) << "row " << y;
        EXPECT_GE(picture.rowMin(c.bar + 2), 200);
    }
    // A size or shape the app writes after the target wins, as in ffmpeg.
    const Frame sized =
        *requestedFrame({"-target", "pal-dvd", "-aspect", "1.2222", "-s", "352x288"});
    EXPECT_EQ(sized.width, 352);
    EXPECT_FALSE(sized.flagged);
    EXPECT_FALSE(requestedFrame({"-b:v", "600000"}));
}

TEST(PictureShape, DvdTitlesKeepTheShapeTheirTitleSetGives)
{
    const testdiscs::TestDiscs& discs = testdiscs::testDiscs();
    ASSERT_TRUE(discs.ok) << discs.error;
    const std::vector<dvd::Cell> cells = testdiscs::titleCells(discs.ifo(2), 0);
    ASSERT_FALSE(cells.empty());
    dvd::DvdLocator wide;
    wide.titleSet = 2;
    wide.startPos = cells.front().firstSector;
    wide.endPos = cells.back().lastSector;
    wide.audioId = 0x80;
    wide.root = discs.disc;
    const QString locator = QString::fromStdString(dvd::formatDvdLocator(wide));

    QTemporaryDir folder;
    // The DVD target: still flagged 16:9, the cyan reaching the frame's top.
    const QString disc = folder.filePath(QStringLiteral("wide.mpg"));
    RunResult run = runRegister(
        {"-y", "-i", locator, "-t", "00:00:02", "-ac", "2", "-target", "pal-dvd", disc});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_NEAR(displayAspect(disc), 16.0 / 9, 0.01);
    EXPECT_GE(firstFrame(disc, 720, 576).rowMax(4), 120);

    // A CIF frame (11:9, square pixels): letterboxed, bars black, picture cyan.
    const QString cif = folder.filePath(QStringLiteral("wide.avi"));
    run = convertLikeTheApp(locator, "352x288", "1.2222", cif);
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const Picture picture = firstFrame(cif, 352, 288);
    ASSERT_FALSE(picture.grey.isEmpty());
    // 288 * (11/9) / (16/9) = 198 rows of picture, 45 above and below.
    EXPECT_LE(picture.rowMax(40), 24);
    EXPECT_LE(picture.rowMax(248), 24);
    EXPECT_GE(picture.rowMin(60), 100);
    EXPECT_GE(picture.rowMin(228), 100);

    // --explain shows the filter that does it.
    const RunResult explained =
        runRegister({"--explain", "-y", "-i", locator, "-aspect", "1.2222", "-s", "352x288", cif});
    EXPECT_TRUE(explained.output.contains("pad=352:288:") &&
                explained.output.contains("setsar=1/1"))
        << explained.output.toStdString();
}
