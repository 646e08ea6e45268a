#include "unit/profiles/profile_fixture.h"

#include <QFile>

#include "engine/jobbuilder.h"
#include "profiles/estimator.h"
#include "profiles/qualitytexts.h"
#include "sources/probereportparser.h"
#include "sources/sourcelist.h"
#include "support/finishadd.h"

using namespace transcast;

namespace
{

class SourceRows : public ProfileFixture
{
protected:
    void SetUp() override
    {
        ProfileFixture::SetUp();
        start();
        select(27);
    }
    SourceList& sources() { return controller->sources(); }
    JobList& jobs() { return controller->jobs(); }

    // kbit/s; absent where a report gives none.
    static ProbeResult probed(std::optional<int> overall, std::optional<int> video,
                              std::optional<int> audio,
                              std::optional<FrameSize> frame = FrameSize{640, 480})
    {
        ProbeResult r;
        r.durationMs = 10000;
        r.overallKbps = overall;
        r.videoKbps = video;
        r.audioKbps = audio;
        r.frameSize = frame;
        return r;
    }

    void addRows(int count)
    {
        for (int i = 0; i < count; ++i)
            sources().addProbedFile(QStringLiteral("/v/clip%1.avi").arg(i), probed(1000, 800, 128));
    }
    QStringList captions()
    {
        QStringList list;
        for (int i = 0; i < jobs().rowCount(); ++i)
            list << jobs().caption(i);
        return list;
    }
};

} // namespace

TEST_F(SourceRows, MissingProbeValuesAreDerived)
{
    ASSERT_TRUE(sources().addProbedFile(QStringLiteral("/v/a.b.avi"),
                                        probed(1500, std::nullopt, 128, std::nullopt)));
    EXPECT_EQ(jobs().sourceInfo(0).videoKbps, 1372);
    EXPECT_EQ(jobs().sourceInfo(0).audioKbps, 128);
    EXPECT_EQ(jobs().sourceInfo(0).frameSize, (FrameSize{320, 240}));
    EXPECT_EQ(jobs().caption(0), QStringLiteral("a.b"));
    EXPECT_EQ(jobs().subItem(0, JobList::FrameSizeColumn), QStringLiteral("320x240"));
    EXPECT_EQ(jobs().subItem(0, JobList::TimeColumn), QStringLiteral("00:00:10"));
    EXPECT_FALSE(jobs().subItem(0, JobList::OutputSizeColumn).isEmpty());
    EXPECT_EQ(jobs().row(0).status, JobStatus::Listed);
    EXPECT_EQ(controller->batch().currentRow(), 0);

    // Only an overall bitrate: video takes it all, audio 0 becomes 128.
    ASSERT_TRUE(sources().addProbedFile(QStringLiteral("/v/b.avi"),
                                        probed(900, std::nullopt, std::nullopt)));
    EXPECT_EQ(jobs().sourceInfo(1).videoKbps, 900);
    EXPECT_EQ(jobs().sourceInfo(1).audioKbps, 128);
    EXPECT_EQ(controller->batch().currentRow(), 0); // the batch's row; adding never moves it

    // An overall rate below the other stream's: the derived share is none,
    // not negative, and so is nothing made from it.
    ASSERT_TRUE(
        sources().addProbedFile(QStringLiteral("/v/song.mp3"), probed(127, std::nullopt, 128)));
    EXPECT_EQ(jobs().sourceInfo(2).videoKbps, 0);
    EXPECT_FALSE(jobs().subItem(2, JobList::OutputSizeColumn).contains(QLatin1Char('-')));
    ASSERT_TRUE(
        sources().addProbedFile(QStringLiteral("/v/d.avi"), probed(900, 1000, std::nullopt)));
    EXPECT_EQ(jobs().sourceInfo(3).audioKbps, 128);

    // No overall bitrate: no row, no message.
    EXPECT_FALSE(sources().addProbedFile(QStringLiteral("/v/c.txt"),
                                         probed(std::nullopt, std::nullopt, std::nullopt)));
    EXPECT_EQ(jobs().rowCount(), 4);
    EXPECT_TRUE(interaction.errors.isEmpty());
}

TEST_F(SourceRows, AReportIsReadOnceAndEveryRuleUsesTheSameNumbers)
{
    // An encoder that names the codec tag before the frame size: the first
    // "x" after "Video:" is the tag's, and "0x31637661" is cut as the size.
    // Read as text, the list showed it, the estimate took 31637661 lines of
    // height and the job asked for "-aspect 0.0000". It is no frame size, so
    // the row gets the one a report without a size gets, everywhere.
    ProbeReportParser parser;
    parser.reset();
    parser.feed("  Duration: 00:00:10.50, start: 0.000000, bitrate: 1000 kb/s\r\n"
                "    Stream #0:0: Video: h264 (avc1 / 0x31637661), yuv420p, 1920x1080, 25 fps\r\n"
                "    Stream #0:1: Audio: aac, 44100 Hz, stereo, fltp, 128 kb/s\r\n");
    ASSERT_TRUE(sources().addProbedFile(QStringLiteral("/v/tagged.mp4"), parser.result()));
    EXPECT_EQ(jobs().subItem(0, JobList::FrameSizeColumn), QStringLiteral("320x240"));
    EXPECT_EQ(jobs().subItem(0, JobList::TimeColumn), QStringLiteral("00:00:10"));
    EXPECT_EQ(jobs().sourceInfo(0).videoKbps, 872);

    select(105);
    boxes().size.choose(boxes().size.indexOf(kOriginalSize));
    boxes().videoBitrate.choose(2); // Normal: 3.33 per line of height
    EXPECT_EQ(controller->estimator().videoKbps(jobs().sourceInfo(0)), 799);
    const ConversionJob job = controller->jobBuilder().fileJob(0, false);
    EXPECT_EQ(job.sizeArg + job.aspectArg, QStringLiteral(" -s 320x240 -aspect 1.3333"));
    EXPECT_EQ(job.videoRateArg, QStringLiteral(" -r 25 -b 799000"));
    EXPECT_EQ(job.seconds, 10);
}

TEST_F(SourceRows, RemoveReselectsAtTheLastRemovedIndex)
{
    addRows(5);
    jobs().setSelected(1, true);
    jobs().setSelected(2, true);
    sources().removeSelected();
    EXPECT_EQ(captions(), QStringList({"clip0", "clip3", "clip4"}));
    EXPECT_EQ(jobs().selectedRows(), QVector<int>({1}));
    // The records moved with their rows.
    EXPECT_EQ(jobs().sourceInfo(1).filePath, QStringLiteral("/v/clip3.avi"));
    EXPECT_EQ(jobs().sourceInfo(2).filePath, QStringLiteral("/v/clip4.avi"));

    jobs().clearSelection();
    jobs().setSelected(1, true);
    jobs().setSelected(2, true);
    sources().removeSelected();
    EXPECT_EQ(captions(), QStringList({"clip0"}));
    EXPECT_EQ(jobs().selectedRows(), QVector<int>({0})); // the new last row
}

TEST_F(SourceRows, RemoveWithoutASelectionDoesNothing)
{
    addRows(2);
    sources().removeSelected();
    EXPECT_EQ(jobs().rowCount(), 2);
}

TEST_F(SourceRows, ClearAsksFirst)
{
    addRows(2);
    interaction.answers.push_back(false);
    sources().clear();
    EXPECT_EQ(jobs().rowCount(), 2);
    ASSERT_EQ(interaction.questions.size(), 1);
    EXPECT_EQ(
        interaction.questions.first(),
        QStringLiteral(
            "Are you sure to remove all the files from filelist?\rNot delete from your computer."));
    sources().clear();
    EXPECT_EQ(jobs().rowCount(), 0);
    // The records went with the rows: nothing of them is left to read.
    EXPECT_TRUE(jobs().sourceInfo(1).filePath.isEmpty());
}

TEST_F(SourceRows, BusyGuardsRefuseWithTheirTexts)
{
    addRows(2);
    jobs().setSelected(0, true);
    controller->busy().setConverting(true);
    sources().addFiles();
    transcast::testing::finishAdd(sources());
    sources().addFolder();
    transcast::testing::finishAdd(sources());
    EXPECT_TRUE(interaction.fileFilters.isEmpty()); // no dialog shown
    EXPECT_TRUE(interaction.folderCaptions.isEmpty());
    controller->busy().setPlaying(true);
    sources().removeSelected();
    sources().clear();
    EXPECT_EQ(interaction.warnings,
              QStringList({"Please first stop convert!", "Please first stop convert!",
                           "Please first stop play!", "Please first stop play!"}));
    controller->busy().setPlaying(false);
    sources().clear();
    EXPECT_EQ(interaction.warnings.last(), QStringLiteral("Please first stop convert!"));
    EXPECT_EQ(jobs().rowCount(), 2);
}

TEST_F(SourceRows, DialogsFollowTheDirection)
{
    sources().addFiles();
    transcast::testing::finishAdd(sources());
    ASSERT_EQ(interaction.fileFilters.size(), 1);
    EXPECT_TRUE(
        interaction.fileFilters.first().startsWith(QStringLiteral("All Support Format|*.avi;")));
    EXPECT_FALSE(jobs().isVisible()); // cancelled
    controller->preferences().setIntoOwnFormat(false);
    sources().setOwnFormatFilter(QStringLiteral("AVI files (*.avi)|*.avi"));
    sources().addFiles();
    transcast::testing::finishAdd(sources());
    EXPECT_EQ(interaction.fileFilters.last(), QStringLiteral("AVI files (*.avi)|*.avi"));
    sources().addFolder();
    transcast::testing::finishAdd(sources());
    EXPECT_EQ(interaction.folderCaptions, QStringList({"File Directory"}));
}

TEST(FolderEntries, ListInNameOrderIgnoringCase)
{
    QTemporaryDir dir;
    for (const char* name : {"b.avi", "A.AVI", "c", "a.mp4", "B.avi", ".hidden.avi"}) {
        if (QString::fromLatin1(name) == QLatin1String("c")) {
            QDir(dir.path()).mkdir(QStringLiteral("c"));
            continue;
        }
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(SourceList::folderEntries(dir.path()),
              QStringList({".hidden.avi", "A.AVI", "a.mp4", "B.avi", "b.avi", "c"}));
}
