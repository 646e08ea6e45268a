// DVD titles and chapters read from discs authored with dvdauthor, listed by
// the core as the DVD edition's window lists them, and converted through the
// real register.dat.
#include <cmath>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "e2e/dvd/lsdvd.h"
#include "e2e/engine/engine_fixture.h"
#include "sources/dvdrowbuilder.h"
#include "sources/dvdtitles.h"
#include "sources/titlelocator.h"
#include "support/discreading.h"
#include "support/testdiscs.h"

using namespace transcast;

namespace
{

struct Colour {
    int red = -1, green = -1, blue = -1;
};

// The mean colour of a video's first frame, or of the frame at `seconds`.
Colour frameColour(const QString& video, double seconds = 0.5)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-ss", QString::number(seconds), "-i", video, "-frames:v", "1",
                  "-vf", "scale=1:1:flags=area", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    ffmpeg.waitForFinished(60000);
    const QByteArray pixel = ffmpeg.readAllStandardOutput();
    if (pixel.size() != 3)
        return {};
    return {static_cast<unsigned char>(pixel[0]), static_cast<unsigned char>(pixel[1]),
            static_cast<unsigned char>(pixel[2])};
}

double durationOf(const QString& video)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "format=duration",
                                            "-of", "default=nw=1:nk=1", video});
    probe.waitForFinished(30000);
    return probe.readAllStandardOutput().trimmed().toDouble();
}

// Near enough to the authored colour under the clips' grain and the
// encoders' rounding.
::testing::AssertionResult looksLike(const Colour& seen, int red, int green, int blue)
{
    const int distance =
        std::abs(seen.red - red) + std::abs(seen.green - green) + std::abs(seen.blue - blue);
    if (distance < 120)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "colour " << seen.red << "," << seen.green << "," << seen.blue << " is not " << red
           << "," << green << "," << blue;
}

class DvdDiscs : public EngineFixture
{
protected:
    const testdiscs::TestDiscs& discs = testdiscs::testDiscs();

    void SetUp() override
    {
        ASSERT_TRUE(discs.ok) << discs.error;
        start(QStringLiteral("transcast-dvd"));
        select(118); // MP4 - MPEG4 Video Mini: quick to encode
    }

    DvdTitles& dvd() { return controller->dvd(); }
    // Reads the disc through to the reading's end: whether titles were
    // listed.
    bool openDisc(const QString& path)
    {
        return transcast::testing::readDisc(dvd(), [&] { return dvd().openDisc(path); });
    }
    static QString q(const std::string& text) { return QString::fromStdString(text); }
    DvdRowInfo info(int row) { return jobs().convertInfo(row); }
    QStringList captions()
    {
        QStringList list;
        for (int i = 0; i < jobs().rowCount(); ++i)
            list << jobs().caption(i);
        return list;
    }
    int titleSetOf(int row)
    {
        const QString name = QFileInfo(info(row).ifoPath).fileName();
        return name.mid(4, 2).toInt();
    }
    void tickOnly(const QVector<int>& rows)
    {
        for (int row = 0; row < jobs().rowCount(); ++row)
            jobs().setChecked(row, rows.contains(row));
    }
    bool convertAll()
    {
        controller->batch().convert();
        return waitFor([this] { return !controller->busy().isConverting(); }, 300000);
    }
    QString output(const QString& name)
    {
        return QDir(outDir.path()).filePath(name + controller->profile().outputExtension());
    }
};

} // namespace

TEST_F(DvdDiscs, TitleRowsAgreeWithLsdvd)
{
    ASSERT_TRUE(openDisc(q(discs.disc)));
    // Title set 1's one-second title spans too few sectors to be a row.
    ASSERT_EQ(captions(), (QStringList{"Title_01", "Title_02", "Title_03", "Title_04"}));
    const std::vector<testdiscs::LsdvdTitle> listed = testdiscs::lsdvdTitles(discs.disc);
    ASSERT_EQ(listed.size(), 5u);

    const int expectedSets[] = {1, 2, 3, 3};
    const int expectedSeconds[] = {testdiscs::firstTitleSeconds, testdiscs::wideTitleSeconds,
                                   testdiscs::longTitleSeconds, testdiscs::longTitleSeconds};
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(titleSetOf(row), expectedSets[row]);
        EXPECT_NEAR(info(row).lengthSeconds, expectedSeconds[row], 1);
        EXPECT_EQ(jobs().subItem(row, JobList::FrameSizeColumn), QStringLiteral("720x576"));
        EXPECT_EQ(jobs().row(row).status, JobStatus::Listed);
        EXPECT_TRUE(jobs().row(row).checked);
        // lsdvd's title of the same set and length carries the same first
        // audio id as the row.
        bool matched = false;
        for (const testdiscs::LsdvdTitle& title : listed) {
            if (title.titleSet == expectedSets[row] &&
                std::abs(title.seconds - info(row).lengthSeconds) <= 1) {
                matched = true;
                EXPECT_EQ(info(row).audioId, std::stoi(title.audioIds.at(0), nullptr, 16));
            }
        }
        EXPECT_TRUE(matched);
    }
    // The first title is the longest and selected; its tracks are offered.
    EXPECT_EQ(jobs().selectedRows(), QVector<int>{0});
    ASSERT_EQ(dvd().audioTracks().count(), 2);
    EXPECT_TRUE(dvd().audioTracks().itemText(1).contains(QStringLiteral("(0x81)")));
    ASSERT_EQ(dvd().subtitleTracks().count(), 2);
    EXPECT_TRUE(dvd().subtitleTracks().itemText(1).contains(QStringLiteral("(0x20)")));

    // Title set 3's second title starts on its own sectors, after the first.
    EXPECT_GT(info(3).startSector, info(2).endSector);
    EXPECT_TRUE(titleLocator(info(3)).startsWith(
        QStringLiteral("vts://03*%1*%2*0x80*0*/").arg(info(3).startSector).arg(info(3).endSector)));
}

TEST_F(DvdDiscs, ChapterRowsFollowTheirTitleWithTheirOwnStart)
{
    controller->dvd().setTitleMode(false);
    ASSERT_TRUE(openDisc(q(discs.disc)));
    ASSERT_GE(jobs().rowCount(), 4);
    EXPECT_EQ(captions().mid(0, 5), (QStringList{"Title_01", "  Chapter_01", "  Chapter_02",
                                                 "  Chapter_03", "Title_05"}));
    for (int chapter = 0; chapter < 3; ++chapter) {
        SCOPED_TRACE(chapter);
        const DvdRowInfo row = info(chapter + 1);
        EXPECT_NEAR(row.lengthSeconds, testdiscs::firstTitleChapters[chapter].seconds, 1);
        EXPECT_NEAR(row.startTime, 4 * chapter, 1);
        EXPECT_EQ(row.endTime, row.startTime + row.lengthSeconds);
        if (chapter > 0) {
            EXPECT_EQ(row.startSector, info(chapter).endSector + 1);
        }
    }
    EXPECT_EQ(info(1).startSector, info(0).startSector);
    EXPECT_EQ(info(3).endSector, info(0).endSector);
}

TEST_F(DvdDiscs, AnImageListsAsItsFolderDoes)
{
    ASSERT_TRUE(openDisc(q(discs.disc)));
    QVector<DvdRowInfo> fromFolder;
    for (int row = 0; row < jobs().rowCount(); ++row)
        fromFolder << info(row);
    const QStringList folderCaptions = captions();

    ASSERT_TRUE(openDisc(q(discs.iso)));
    ASSERT_EQ(captions(), folderCaptions);
    for (int row = 0; row < jobs().rowCount(); ++row) {
        EXPECT_EQ(info(row).startSector, fromFolder[row].startSector);
        EXPECT_EQ(info(row).endSector, fromFolder[row].endSector);
        EXPECT_TRUE(titleLocator(info(row)).endsWith(QStringLiteral("*/") + q(discs.iso)));
    }

    // The VIDEO_TS folder itself is a disc too; a folder without any IFO
    // file is none.
    ASSERT_TRUE(openDisc(q(discs.videoTs())));
    EXPECT_EQ(captions(), folderCaptions);
    EXPECT_FALSE(openDisc(q(discs.noIfo)));
    EXPECT_EQ(interaction.informations, QStringList{DvdTitles::noDiscText()});
}

TEST_F(DvdDiscs, ATitleSetWithoutAudioListsWithAudioIdZero)
{
    ASSERT_TRUE(openDisc(q(discs.mute)));
    ASSERT_EQ(captions(), QStringList{QStringLiteral("Title_01")});
    EXPECT_EQ(info(0).audioId, DvdRowInfo::kNoStream);
    EXPECT_EQ(dvd().audioTracks().count(), 0);
}

TEST_F(DvdDiscs, TickedChaptersConvertWithTheirOwnPicture)
{
    // Rows: Title_01, Chapter_01 (red), Chapter_02 (green), Chapter_03
    // (blue), ... Only chapters 1 and 3 are ticked; the last row is not, so
    // the batch ends by passing it over and still runs the finish action.
    controller->dvd().setTitleMode(false);
    controller->preferences().setFinishAction(1);
    ASSERT_TRUE(openDisc(q(discs.disc)));
    tickOnly({1, 3});
    ASSERT_TRUE(convertAll());

    EXPECT_EQ(status(0), QStringLiteral("Ready"));
    EXPECT_EQ(status(1), QStringLiteral("Finish")) << jobs().row(1).failureReason.toStdString();
    EXPECT_EQ(status(2), QStringLiteral("Ready"));
    EXPECT_EQ(status(3), QStringLiteral("Finish")) << jobs().row(3).failureReason.toStdString();
    for (int row = 4; row < jobs().rowCount(); ++row)
        EXPECT_EQ(status(row), QStringLiteral("Ready"));
    EXPECT_FALSE(controller->progress().isVisible());
    EXPECT_EQ(shell.openedFolders.size(), 1);

    const QString red = output(QStringLiteral("Title_01_Chapter_01"));
    const QString blue = output(QStringLiteral("Title_01_Chapter_03"));
    ASSERT_TRUE(QFile::exists(red));
    ASSERT_TRUE(QFile::exists(blue));
    const testdiscs::Chapter& first = testdiscs::firstTitleChapters[0];
    const testdiscs::Chapter& third = testdiscs::firstTitleChapters[2];
    EXPECT_TRUE(looksLike(frameColour(red), first.red, first.green, first.blue));
    EXPECT_TRUE(looksLike(frameColour(blue), third.red, third.green, third.blue));
    EXPECT_NEAR(durationOf(red), info(1).lengthSeconds, 1.0);
    EXPECT_NEAR(durationOf(blue), info(3).lengthSeconds, 1.0);
}

TEST_F(DvdDiscs, ALaterTitleOfItsSetConvertsItsOwnContent)
{
    // Title set 3 holds a yellow title and then a magenta one in one VOB.
    ASSERT_TRUE(openDisc(q(discs.disc)));
    ASSERT_EQ(jobs().rowCount(), 4);
    tickOnly({3});
    ASSERT_TRUE(convertAll());
    EXPECT_EQ(status(3), QStringLiteral("Finish")) << jobs().row(3).failureReason.toStdString();
    const QString magenta = output(QStringLiteral("Title_04"));
    ASSERT_TRUE(QFile::exists(magenta));
    EXPECT_TRUE(looksLike(frameColour(magenta), 255, 0, 255));
    EXPECT_TRUE(looksLike(frameColour(magenta, 5), 255, 0, 255));
    EXPECT_NEAR(durationOf(magenta), info(3).lengthSeconds, 1.0);
}

TEST_F(DvdDiscs, RowsConvertForTheirExactLengthIntoNamesOfTheirOwn)
{
    // Rows: Title_01 (5.8 s), Chapter_01 (2.4 s), Chapter_02, Title_04 (the
    // NTSC title set; title set 2 cannot be read), Chapter_01. The first
    // chapters of two titles must not share a name, and a taken name is
    // followed by a numbered one of the same form.
    controller->dvd().setTitleMode(false);
    ASSERT_TRUE(openDisc(q(discs.odd)));
    ASSERT_EQ(captions(), (QStringList{"Title_01", "  Chapter_01", "  Chapter_02", "Title_04",
                                       "  Chapter_01"}));
    QFile taken(output(QStringLiteral("Title_04_Chapter_01")));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    tickOnly({0, 1, 4});
    ASSERT_TRUE(convertAll());

    const QString extension = controller->profile().outputExtension();
    EXPECT_EQ(
        QDir(outDir.path()).entryList(QDir::Files, QDir::Name),
        (QStringList{"Title_01" + extension, "Title_01_Chapter_01" + extension,
                     "Title_04_Chapter_01" + extension, "Title_04_Chapter_01_1" + extension}));
    EXPECT_NEAR(durationOf(output(QStringLiteral("Title_01"))),
                testdiscs::oddTitleMilliseconds / 1000.0, 0.1);
    EXPECT_NEAR(durationOf(output(QStringLiteral("Title_01_Chapter_01"))),
                testdiscs::oddChapterMilliseconds[0] / 1000.0, 0.1);
    // 75 frames at 29.97 fps.
    EXPECT_NEAR(durationOf(output(QStringLiteral("Title_04_Chapter_01_1"))), 2.5, 0.1);
}

// A disc reading is an operation of the event loop: the call that starts it
// handles no event itself and returns (a folder of many entries and no disc
// included), and the window's events go on while the disc is read.
TEST_F(DvdDiscs, TheCallReturnsAtOnceAndEventsGoOnWhileTheDiscIsRead)
{
    QTemporaryDir folder;
    for (int n = 0; n < 40; ++n) {
        QFile file(folder.filePath(QStringLiteral("note%1.txt").arg(n)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    int handled = 0;
    QTimer::singleShot(0, [&] { ++handled; });
    ASSERT_TRUE(dvd().openDisc(folder.path()));
    EXPECT_EQ(handled, 0);
    EXPECT_FALSE(transcast::testing::finishReading(dvd()));
    EXPECT_EQ(interaction.informations, QStringList{DvdTitles::noDiscText()});
    QCoreApplication::processEvents();
    ASSERT_EQ(handled, 1);

    QTimer::singleShot(0, [&] {
        ++handled;
        EXPECT_TRUE(dvd().isReading());
    });
    ASSERT_TRUE(openDisc(q(discs.disc)));
    EXPECT_EQ(handled, 2);
    EXPECT_EQ(captions(), (QStringList{"Title_01", "Title_02", "Title_03", "Title_04"}));
}

// Chapter rows are the chapters a player skips to, as lsdvd lists them: ten
// chapters of one short cell each, and chapters of two cells each, none of
// them anywhere near 1000 sectors.
TEST_F(DvdDiscs, ChapterRowsAreTheDiscsChaptersHoweverShortOrManyCellsTheySpan)
{
    controller->dvd().setTitleMode(false);
    ASSERT_TRUE(openDisc(q(discs.chapters)));
    const std::vector<testdiscs::LsdvdTitle> listed = testdiscs::lsdvdTitles(discs.chapters);
    ASSERT_EQ(listed.size(), 2u);
    int row = 0;
    for (const testdiscs::LsdvdTitle& title : listed) {
        SCOPED_TRACE(row);
        ASSERT_LT(row, jobs().rowCount());
        ASSERT_EQ(jobs().row(row).kind, JobKind::Title);
        const DvdRowInfo titleRow = info(row++);
        const std::vector<int>& starts = title.chapterStartCells;
        for (size_t k = 0; k < starts.size(); ++k, ++row) {
            ASSERT_LT(row, jobs().rowCount());
            EXPECT_EQ(jobs().caption(row), DvdRowBuilder::chapterCaption(static_cast<int>(k) + 1));
            const int end =
                k + 1 < starts.size() ? starts[k + 1] - 1 : int(title.cellSeconds.size());
            double seconds = 0;
            for (int cell = starts[k]; cell <= end; ++cell)
                seconds += title.cellSeconds.at(static_cast<size_t>(cell - 1));
            EXPECT_NEAR(info(row).lengthMilliseconds / 1000.0, seconds, 0.05);
            EXPECT_EQ(info(row).startSector,
                      k == 0 ? titleRow.startSector : info(row - 1).endSector + 1);
            EXPECT_LT(info(row).endSector - info(row).startSector, 1000);
        }
        EXPECT_EQ(info(row - 1).endSector, titleRow.endSector);
    }
    EXPECT_EQ(row, jobs().rowCount());
    EXPECT_EQ(jobs().rowCount(), 1 + 10 + 1 + 3);

    // A chapter of two cells converts whole: both its cells' pictures.
    tickOnly({13});
    ASSERT_TRUE(convertAll());
    EXPECT_EQ(status(13), QStringLiteral("Finish")) << jobs().row(13).failureReason.toStdString();
    EXPECT_NEAR(durationOf(output(QStringLiteral("Title_12_Chapter_02"))),
                info(13).lengthMilliseconds / 1000.0, 0.2);
}

// A list kept while chapter rows were made per cell names a chapter of two
// cells by its second cell when only that one was listed; it comes back as
// the chapter holding that cell, with what the kept row said.
TEST_F(DvdDiscs, AKeptChapterOfOneCellFindsTheChapterHoldingIt)
{
    const QString ifo = q(discs.programs) + QStringLiteral("/VIDEO_TS/VTS_01_0.IFO");
    JobRow title;
    title.kind = JobKind::Title;
    title.dvd.ifoPath = ifo;
    title.checked = true;
    JobRow secondCell = title;
    secondCell.kind = JobKind::Chapter;
    secondCell.dvd.cellIndex = 1;
    secondCell.checked = false;
    secondCell.status = JobStatus::Failed;
    secondCell.failureReason = QStringLiteral("kept reason");
    ASSERT_TRUE(transcast::testing::readDisc(dvd(), [&] {
        return dvd().restore(false, {ifo}, {title, secondCell});
    }));
    ASSERT_EQ(captions(), (QStringList{"Title_01", "  Chapter_01"}));
    EXPECT_EQ(info(1).cellIndex, 0);
    EXPECT_FALSE(jobs().row(1).checked);
    EXPECT_EQ(jobs().row(1).status, JobStatus::Failed);
    EXPECT_EQ(jobs().row(1).failureReason, QStringLiteral("kept reason"));
    EXPECT_TRUE(jobs().row(0).checked);
}

// An image cut inside title set 3's first title: that title ends where the
// image does, the one after it is listed as missing and cannot be ticked;
// what is there converts.
TEST_F(DvdDiscs, AnImageCutInsideATitleListsWhatItHolds)
{
    ASSERT_TRUE(openDisc(q(discs.iso)));
    const DvdRowInfo whole = info(2);
    ASSERT_TRUE(openDisc(q(discs.cutIso)));
    ASSERT_EQ(captions(), (QStringList{"Title_01", "Title_02", "Title_03", "Title_04"}));
    const QFileInfo image(q(discs.cutIso));
    const DvdRowInfo cut = info(2);
    EXPECT_EQ(cut.startSector, whole.startSector);
    EXPECT_LT(cut.endSector, whole.endSector);
    EXPECT_GT(cut.lengthMilliseconds, 0);
    // About a quarter of the VOB, which holds two titles of equal length.
    EXPECT_NEAR(cut.lengthMilliseconds, whole.lengthMilliseconds / 2.0,
                whole.lengthMilliseconds / 4.0);
    EXPECT_TRUE(jobs().row(2).checked);
    EXPECT_EQ(status(2), QStringLiteral("Ready"));

    EXPECT_TRUE(info(3).missing);
    EXPECT_FALSE(jobs().row(3).checked);
    EXPECT_EQ(status(3), QStringLiteral("Missing from the image"));
    jobs().setChecked(3, true);
    EXPECT_FALSE(jobs().row(3).checked);
    EXPECT_TRUE(interaction.warnings.join(QLatin1Char('\n')).contains(QStringLiteral("damaged")));

    tickOnly({2, 3});
    ASSERT_TRUE(convertAll());
    EXPECT_EQ(status(2), QStringLiteral("Finish")) << jobs().row(2).failureReason.toStdString();
    EXPECT_NEAR(durationOf(output(QStringLiteral("Title_03"))), cut.lengthMilliseconds / 1000.0,
                0.5);
    EXPECT_EQ(status(3), QStringLiteral("Missing from the image"));
    EXPECT_FALSE(QFile::exists(output(QStringLiteral("Title_04"))));
}

// Zeroed program-chain tables: libdvdread takes such an IFO file for a title
// set without titles. The disc's title table names them, so the backup copy
// is read; where it is zeroed too, the user is told.
TEST_F(DvdDiscs, ATitleSetWithoutTheTitlesTheDiscNamesIsReadFromItsBackupOrSaidDamaged)
{
    ASSERT_TRUE(openDisc(q(discs.zeroed)));
    ASSERT_EQ(captions(), (QStringList{"Title_01", "Title_02"}));
    EXPECT_EQ(info(0).lengthSeconds, 12);
    EXPECT_EQ(info(1).lengthSeconds, 20);
    EXPECT_EQ(info(1).discTitle(), 2);
    const QString set2 = q(discs.zeroed) + QStringLiteral("/VIDEO_TS/VTS_02_0.IFO");
    ASSERT_EQ(dvd().damagedTitleSets().size(), 1);
    EXPECT_TRUE(dvd().damagedTitleSets().at(0).startsWith(QStringLiteral("The DVD title set ") +
                                                          set2 + QStringLiteral(" is damaged")));
    EXPECT_TRUE(interaction.warnings.contains(dvd().damagedTitleSets().at(0)));
}
