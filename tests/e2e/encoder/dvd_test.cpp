// register.dat converting DVD locators from discs authored by dvdauthor: the
// right stretch of the disc, the chosen audio, burned-in subtitles in their
// colours however late they show, chapters cut from one continuous stream,
// -t, a disc without sound, refusals, and being killed while it reads.
#include <cmath>
#include <cstdio>

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "clips.h"
#include "dvd/dvdlocator.h"
#include "dvd/tracktext.h"
#include "processes.h"
#include "support/testdiscs.h"
#include "support/titlesetcells.h"

using namespace transcast;
using namespace transcast::testclips;
using namespace transcast::testdiscs;

namespace
{

struct Colour {
    double red = 0, green = 0, blue = 0;
};

// A stretch of a title set as the discovery makes a row of it: positions
// from the IFO's cells, length in seconds from their playing times.
struct Row {
    dvd::DvdLocator locator;
    int seconds = 0;
};

class DvdConversion : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const TestDiscs& discs = testDiscs();
        ASSERT_TRUE(discs.ok) << discs.error;
        m_discs = &discs;
    }

    // Cells first..last of title `title` of title set `titleSet` of the
    // disc at `root` (the main disc when empty).
    Row row(int titleSet, int title, int firstCell, int lastCell,
            const std::string& root = {}) const
    {
        char ifo[32];
        std::snprintf(ifo, sizeof ifo, "/VIDEO_TS/VTS_%02d_0.IFO", titleSet);
        const std::shared_ptr<const dvd::TitleSet> read =
            testdiscs::readTitleSet((root.empty() ? m_discs->disc : root) + ifo);
        Row made;
        EXPECT_TRUE(read);
        if (!read || title >= static_cast<int>(read->titles.size()))
            return made;
        const std::vector<dvd::Cell>& cells = read->titles[static_cast<size_t>(title)].cells;
        const int count = static_cast<int>(cells.size());
        EXPECT_LT(lastCell, count);
        if (lastCell >= count)
            return made;
        made.locator.titleSet = titleSet;
        made.locator.startPos = cells[firstCell].firstSector;
        made.locator.endPos = cells[lastCell].lastSector;
        made.locator.audioId =
            read->audio.empty() ? dvd::DvdLocator::kNoStream : read->audio[0].streamId;
        made.locator.root = root.empty() ? m_discs->disc : root;
        for (int i = firstCell; i <= lastCell; ++i)
            made.seconds += static_cast<int>(cells[i].wholeSeconds());
        return made;
    }

    // The app's command line for a row: its locator, its length as -t, and
    // the options of a small MPEG-4 profile.
    RunResult convert(const Row& row, const QString& output, const QStringList& extra = {})
    {
        const QString limit = QStringLiteral("00:00:%1").arg(row.seconds, 2, 10, QLatin1Char('0'));
        return runRegister(QStringList{"-y", "-i",
                                       QString::fromStdString(dvd::formatDvdLocator(row.locator)),
                                       "-t", limit, "-s", "320x240", "-vcodec", "mpeg4", "-b",
                                       "600000", "-acodec", "libmp3lame", "-ab", "128000"} +
                           extra + QStringList{output});
    }

    QString path(const QString& name) const { return m_folder.filePath(name); }

    QTemporaryDir m_folder;
    const TestDiscs* m_discs = nullptr;
};

double durationOf(const QString& file)
{
    const RunResult run =
        runProgram(QStringLiteral("ffprobe"),
                   {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", file});
    return run.output.trimmed().toDouble();
}

QStringList streamTypes(const QString& file)
{
    const RunResult run =
        runProgram(QStringLiteral("ffprobe"),
                   {"-v", "error", "-show_entries", "stream=codec_type", "-of", "csv=p=0", file});
    return QString::fromUtf8(run.output).split('\n', Qt::SkipEmptyParts);
}

// The mean colour of the frame at `seconds`, or of the 16x16 pixel square
// around (x, y) of a 320x240 frame when x is not negative.
Colour colourAt(const QString& file, double seconds, int x = -1, int y = -1)
{
    QStringList filters;
    if (x >= 0)
        filters << QStringLiteral("crop=16:16:%1:%2").arg(x - 8).arg(y - 8);
    filters << QStringLiteral("scale=1:1:flags=area");
    const RunResult run =
        runProgram(QStringLiteral("ffmpeg"),
                   {"-v", "error", "-ss", QString::number(seconds), "-i", file, "-frames:v", "1",
                    "-vf", filters.join(','), "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    Colour colour;
    if (run.output.size() >= 3) {
        colour.red = static_cast<unsigned char>(run.output[0]);
        colour.green = static_cast<unsigned char>(run.output[1]);
        colour.blue = static_cast<unsigned char>(run.output[2]);
    }
    return colour;
}

::testing::AssertionResult near(const Colour& seen, int red, int green, int blue)
{
    // The clips are solid colours under grain, decoded from MPEG-2.
    const double off =
        std::abs(seen.red - red) + std::abs(seen.green - green) + std::abs(seen.blue - blue);
    if (off < 90)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "colour " << seen.red << "," << seen.green << "," << seen.blue << " is not " << red
           << "," << green << "," << blue;
}

// The dominant frequency of the sound from `seconds` on, from the span
// between its first and last zero crossing (silence around a tone does not
// count; two tones give a frequency between theirs). Decoded from the start:
// seeking into an AVI's MP3 gives a garbled stretch.
double toneAt(const QString& file, double seconds, double length = 0.5)
{
    const int rate = 48000;
    const RunResult run = runProgram(QStringLiteral("ffmpeg"),
                                     {"-v", "error", "-i", file, "-ss", QString::number(seconds),
                                      "-t", QString::number(length), "-ac", "1", "-ar",
                                      QString::number(rate), "-f", "s16le", "-"});
    const auto* samples = reinterpret_cast<const qint16*>(run.output.constData());
    const qsizetype count = run.output.size() / 2;
    qsizetype first = -1;
    qsizetype last = -1;
    int crossings = 0;
    for (qsizetype i = 1; i < count; ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (first < 0)
                first = i;
            last = i;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * double(rate) / double(last - first) : 0;
}

// How much the first two pictures differ, as the mean difference of their
// grey levels: the grain changes every picture, a repeated picture not.
double firstPicturesDiffer(const QString& file)
{
    const RunResult run =
        runProgram(QStringLiteral("ffmpeg"), {"-v", "error", "-i", file, "-frames:v", "2", "-vf",
                                              "format=gray", "-f", "rawvideo", "-"});
    const qsizetype size = run.output.size() / 2;
    double difference = 0;
    for (qsizetype i = 0; i < size; ++i)
        difference += std::abs(static_cast<unsigned char>(run.output[i]) -
                               static_cast<unsigned char>(run.output[size + i]));
    return size > 0 ? difference / double(size) : 0;
}

// When the 16x16 square around (x, y) of a 320x240, 25 fps file turns the
// colour given and when it stops being it, in seconds from the start: one
// pair per time it shows.
std::vector<std::pair<double, double>> colourShows(const QString& file, int x, int y, int red,
                                                   int green, int blue)
{
    const RunResult run =
        runProgram(QStringLiteral("ffmpeg"),
                   {"-v", "error", "-i", file, "-vf",
                    QStringLiteral("crop=16:16:%1:%2,scale=1:1:flags=area").arg(x - 8).arg(y - 8),
                    "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    std::vector<std::pair<double, double>> shown;
    bool showing = false;
    for (qsizetype at = 0; at + 3 <= run.output.size(); at += 3) {
        const Colour seen{double(static_cast<unsigned char>(run.output[at])),
                          double(static_cast<unsigned char>(run.output[at + 1])),
                          double(static_cast<unsigned char>(run.output[at + 2]))};
        const double time = double(at / 3) / 25.0;
        if (near(seen, red, green, blue) != showing) {
            showing = !showing;
            if (showing)
                shown.push_back({time, -1});
            else
                shown.back().second = time;
        }
    }
    return shown;
}

} // namespace

TEST_F(DvdConversion, ATitleConvertsWholeFromItsFirstChapter)
{
    const Row title = row(1, 0, 0, 2);
    ASSERT_EQ(title.seconds, firstTitleSeconds);
    const RunResult run = convert(title, path("Title_01.avi"));
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_NEAR(durationOf(path("Title_01.avi")), title.seconds, 1.0);
    const Chapter& red = firstTitleChapters[0];
    const Chapter& blue = firstTitleChapters[2];
    EXPECT_TRUE(near(colourAt(path("Title_01.avi"), 0), red.red, red.green, red.blue));
    EXPECT_TRUE(near(colourAt(path("Title_01.avi"), 11), blue.red, blue.green, blue.blue));
    // The first audio track: the 440 Hz tone.
    EXPECT_NEAR(toneAt(path("Title_01.avi"), 2), 440, 20);
    EXPECT_EQ(streamTypes(path("Title_01.avi")), (QStringList{"video", "audio"}));
}

TEST_F(DvdConversion, AChapterConvertsItsOwnStretchFromAFolderOrAnImage)
{
    for (int chapter = 1; chapter < 3; ++chapter) {
        const std::string root = chapter == 1 ? m_discs->disc : m_discs->iso;
        SCOPED_TRACE(root);
        const Row row = this->row(1, 0, chapter, chapter, root);
        const QString output = path(QStringLiteral("Chapter_%1.avi").arg(chapter + 1));
        const RunResult run = convert(row, output);
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
        EXPECT_NEAR(durationOf(output), row.seconds, 1.0);
        const Chapter& expected = firstTitleChapters[chapter];
        EXPECT_TRUE(near(colourAt(output, 0), expected.red, expected.green, expected.blue))
            << expected.colour;
    }
}

TEST_F(DvdConversion, TheSecondTitleOfATitleSetConvertsItsOwnContent)
{
    const Row second = row(3, 1, 0, 0);
    ASSERT_GT(second.locator.startPos, 0);
    const RunResult run = convert(second, path("Title_04.avi"));
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_NEAR(durationOf(path("Title_04.avi")), longTitleSeconds, 1.0);
    EXPECT_TRUE(near(colourAt(path("Title_04.avi"), 0), 255, 0, 255)); // magenta
    EXPECT_TRUE(near(colourAt(path("Title_04.avi"), 5), 255, 0, 255));
}

TEST_F(DvdConversion, TheChosenAudioTrackAndBurnedInSubtitle)
{
    Row chapter = row(1, 0, 0, 0);
    chapter.locator.audioId = 0x81;
    chapter.locator.subtitleId = 0x20;
    const RunResult run = convert(chapter, path("burned.avi"));
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_NEAR(toneAt(path("burned.avi"), 2), 880, 20);
    // The subtitle's white box, scaled from 720x576 to 320x240, is in the
    // picture while it shows, and gone after.
    const int x = (subtitleBoxLeft + subtitleBoxRight) / 2 * 320 / 720;
    const int y = (subtitleBoxTop + subtitleBoxBottom) / 2 * 240 / 576;
    EXPECT_TRUE(near(colourAt(path("burned.avi"), 1, x, y), 255, 255, 255));
    EXPECT_TRUE(near(colourAt(path("burned.avi"), 3.8, x, y), 255, 0, 0));

    chapter.locator.subtitleId = dvd::DvdLocator::kNoStream;
    ASSERT_EQ(convert(chapter, path("clean.avi")).exitCode, 0);
    EXPECT_TRUE(near(colourAt(path("clean.avi"), 1, x, y), 255, 0, 0));
}

TEST_F(DvdConversion, ASubtitleFirstShownFarIntoTheTitleIsBurntInInItsOwnColour)
{
    Row title = row(1, 0, 0, 3, m_discs->story);
    title.seconds = 4 * storyChapterSeconds; // the title's playing time; its cells' add up to less
    title.locator.subtitleId = 0x20;
    const RunResult run = convert(title, path("story.avi"));
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    // The yellow box over the white last chapter while it shows, and gone
    // after.
    const int x = (subtitleBoxLeft + subtitleBoxRight) / 2 * 320 / 720;
    const int y = (subtitleBoxTop + subtitleBoxBottom) / 2 * 240 / 576;
    EXPECT_TRUE(near(colourAt(path("story.avi"), storySubtitleFrom + 1, x, y), 255, 255, 0));
    EXPECT_TRUE(near(colourAt(path("story.avi"), storySubtitleTo + 1, x, y), 255, 255, 255));

    // A subtitle the title does not have is no loss to pass over in silence.
    title.locator.subtitleId = 0x21;
    const RunResult missing = convert(title, path("missing.avi"));
    ASSERT_TRUE(missing.finished);
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(missing.output.contains("subtitle stream 0x21 is not in this title"))
        << missing.output.toStdString();
    EXPECT_FALSE(QFile::exists(path("missing.avi")));
}

TEST_F(DvdConversion, EverySubtitleLineShowsFromItsOwnFirstPictureToItsLast)
{
    Row title = row(1, 0, 0, 0, m_discs->lines);
    title.locator.subtitleId = 0x20;
    const RunResult run = convert(title, path("lines.avi"));
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const int x = (subtitleBoxLeft + subtitleBoxRight) / 2 * 320 / 720;
    const int y = (subtitleBoxTop + subtitleBoxBottom) / 2 * 240 / 576;
    const std::vector<std::pair<double, double>> shown =
        colourShows(path("lines.avi"), x, y, 255, 255, 0);
    ASSERT_EQ(shown.size(), std::size(subtitleLines));
    for (size_t line = 0; line < shown.size(); ++line) {
        // Within a picture of 25 fps; the last picture shown is the one at
        // the line's end.
        EXPECT_NEAR(shown[line].first, subtitleLines[line][0], 0.041) << line;
        EXPECT_NEAR(shown[line].second, subtitleLines[line][1] + 0.04, 0.041) << line;
    }
}

TEST_F(DvdConversion, EachChapterOfAContinuousStreamHasItsOwnPicturesAndSound)
{
    for (int chapter = 0; chapter < 4; ++chapter) {
        const StoryChapter& own = storyChapters[chapter];
        SCOPED_TRACE(own.colour);
        const Row row = this->row(1, 0, chapter, chapter, m_discs->story);
        const QString output = path(QStringLiteral("Chapter_%1.avi").arg(chapter + 1));
        const RunResult run = convert(row, output);
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
        // Its own first picture, not held while the sound before it plays.
        EXPECT_TRUE(near(colourAt(output, 0), own.red, own.green, own.blue));
        EXPECT_GT(firstPicturesDiffer(output), 1.0);
        // Its own sound from the first tenth of a second to its last.
        EXPECT_NEAR(toneAt(output, 0, 0.1), own.tone, 25);
        EXPECT_NEAR(toneAt(output, row.seconds - 0.3, 0.2), own.tone, 25);
    }
}

TEST_F(DvdConversion, ATitleSetWithoutSoundConvertsToPictureOnly)
{
    Row row = this->row(1, 0, 0, 0, m_discs->mute);
    EXPECT_EQ(row.locator.audioId, dvd::DvdLocator::kNoStream);
    // "0" and "" read as no id alike (DvdLocator's own tests).
    for (const int audio : {dvd::DvdLocator::kNoStream, 0x80}) {
        row.locator.audioId = audio;
        QFile::remove(path("mute.avi")); // a job never replaces a file it did not create
        const RunResult run = convert(row, path("mute.avi"));
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
        EXPECT_EQ(streamTypes(path("mute.avi")), QStringList{"video"}) << audio;
        EXPECT_NEAR(durationOf(path("mute.avi")), muteTitleSeconds, 1.0);
    }
}

TEST_F(DvdConversion, TimeLimitStopsEarly)
{
    const Row title = row(1, 0, 0, 2);
    const RunResult run =
        runRegister({"-y", "-i", QString::fromStdString(dvd::formatDvdLocator(title.locator)), "-t",
                     "00:00:02", "-vcodec", "mpeg4", path("two.avi")});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_NEAR(durationOf(path("two.avi")), 2, 0.5);
}

TEST_F(DvdConversion, BadLocatorsFailClearlyAndWriteNothing)
{
    const QString disc = QString::fromStdString(m_discs->disc);
    struct Case {
        QString locator;
        QString says;
    } cases[] = {
        {"vts://01*0*5000*0x80*0", "not a DVD locator"},
        {"vts://01*4000*3000*0x80*0*/" + disc, "end position lies before"},
        {"vts://01*0*99999*0x80*0*/" + disc, "lie outside title set 1"},
        {"vts://07*0*100*0x80*0*/" + disc, "has no title set 7"},
        {"vts://01*0*100*0x80*0*/" + disc + "/missing", "cannot open the DVD"},
        {"vts://01*0*100*0x80*0*/" + QString::fromStdString(m_discs->noIfo), "has no title set 1"},
    };
    for (const Case& c : cases) {
        const RunResult run =
            runRegister({"-y", "-i", c.locator, "-vcodec", "mpeg4", path("x.avi")});
        ASSERT_TRUE(run.finished);
        EXPECT_NE(run.exitCode, 0) << c.locator.toStdString();
        EXPECT_TRUE(run.output.contains(c.says.toUtf8())) << run.output.toStdString();
        EXPECT_TRUE(run.output.startsWith("register.dat: ")) << run.output.toStdString();
        EXPECT_FALSE(QFile::exists(path("x.avi")));
    }
}

TEST_F(DvdConversion, KillingRegisterStopsTheReadingAndFfmpeg)
{
    const Row title = row(1, 0, 0, 2);
    QProcess job;
    // -re makes ffmpeg read at the title's own pace, so the job is still
    // running, its feed blocked on the full pipe, when it is killed.
    startLikeTheApp(job, registerDat(),
                    {"-y", "-re", "-i",
                     QString::fromStdString(dvd::formatDvdLocator(title.locator)), "-vcodec",
                     "mpeg4", path("killed.avi")});
    ASSERT_TRUE(job.waitForStarted(5000));
    QByteArray output;
    ASSERT_TRUE(readUntil(
        job, output, [](const QByteArray& text) { return text.contains("time=1"); }, 15000))
        << output.toStdString();
    const QList<qint64> children = childrenOf(job.processId());
    ASSERT_EQ(children.size(), 1);
    job.kill();
    ASSERT_TRUE(job.waitForFinished(5000));
    EXPECT_TRUE(waitForDeath(children.first())) << "ffmpeg outlived register.dat";
    const qint64 size = QFileInfo(path("killed.avi")).size();
    QThread::msleep(700);
    EXPECT_EQ(QFileInfo(path("killed.avi")).size(), size);
}
