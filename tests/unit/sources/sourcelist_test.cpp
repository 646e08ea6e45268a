#include "unit/profiles/profile_fixture.h"

#include <QFile>

#include "sources/sourcelist.h"

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

    static ProbeResult probed(const char* overall, const char* video, const char* audio,
                              const char* frame = "640x480")
    {
        ProbeResult r;
        r.duration = QStringLiteral("00:00:10");
        r.overallBitrate = QString::fromLatin1(overall);
        r.videoBitrate = QString::fromLatin1(video);
        r.audioBitrate = QString::fromLatin1(audio);
        r.frameSize = QString::fromLatin1(frame);
        return r;
    }

    void addRows(int count)
    {
        for (int i = 0; i < count; ++i)
            sources().addProbedFile(QStringLiteral("/v/clip%1.avi").arg(i),
                                    probed("1000", "800", "128"));
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
    ASSERT_TRUE(
        sources().addProbedFile(QStringLiteral("/v/a.b.avi"), probed("1500", "", "128", "")));
    EXPECT_EQ(jobs().originalInfo(0).VideoBitrate, QStringLiteral("1372"));
    EXPECT_EQ(jobs().originalInfo(0).AudioBitrate, QStringLiteral("128"));
    EXPECT_EQ(jobs().originalInfo(0).FrameSize, QStringLiteral("320x240"));
    EXPECT_EQ(jobs().caption(0), QStringLiteral("a.b"));
    EXPECT_EQ(jobs().subItem(0, JobList::FrameSizeColumn), QStringLiteral("320x240"));
    EXPECT_EQ(jobs().subItem(0, JobList::TimeColumn), QStringLiteral("00:00:10"));
    EXPECT_FALSE(jobs().subItem(0, JobList::OutputSizeColumn).isEmpty());
    EXPECT_EQ(jobs().row(0).status, JobStatus::Listed);
    EXPECT_EQ(state().CurrentRow, 0);

    // Only an overall bitrate: video takes it all, audio 0 becomes 128.
    ASSERT_TRUE(sources().addProbedFile(QStringLiteral("/v/b.avi"), probed("900", "", "")));
    EXPECT_EQ(jobs().originalInfo(1).VideoBitrate, QStringLiteral("900"));
    EXPECT_EQ(jobs().originalInfo(1).AudioBitrate, QStringLiteral("128"));
    EXPECT_EQ(state().CurrentRow, 0); // the batch's row; adding never moves it

    // No overall bitrate: no row, no message.
    EXPECT_FALSE(sources().addProbedFile(QStringLiteral("/v/c.txt"), probed("", "", "")));
    EXPECT_EQ(jobs().rowCount(), 2);
    EXPECT_TRUE(interaction.errors.isEmpty());
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
    EXPECT_EQ(jobs().originalInfo(1).FilePath, QStringLiteral("/v/clip3.avi"));
    EXPECT_EQ(jobs().originalInfo(2).FilePath, QStringLiteral("/v/clip4.avi"));

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
    EXPECT_TRUE(jobs().originalInfo(1).FilePath.isEmpty());
}

TEST_F(SourceRows, BusyGuardsRefuseWithTheirTexts)
{
    addRows(2);
    jobs().setSelected(0, true);
    state().Converting = true;
    sources().addFiles();
    sources().addFolder();
    EXPECT_TRUE(interaction.fileFilters.isEmpty()); // no dialog shown
    EXPECT_TRUE(interaction.folderCaptions.isEmpty());
    state().Playing = true;
    sources().removeSelected();
    sources().clear();
    EXPECT_EQ(interaction.warnings,
              QStringList({"Please first stop convert!", "Please first stop convert!",
                           "Please first stop play!", "Please first stop play!"}));
    state().Playing = false;
    sources().clear();
    EXPECT_EQ(interaction.warnings.last(), QStringLiteral("Please first stop convert!"));
    EXPECT_EQ(jobs().rowCount(), 2);
}

TEST_F(SourceRows, DialogsFollowTheDirection)
{
    sources().addFiles();
    ASSERT_EQ(interaction.fileFilters.size(), 1);
    EXPECT_TRUE(
        interaction.fileFilters.first().startsWith(QStringLiteral("All Support Format|*.avi;")));
    EXPECT_FALSE(jobs().isVisible()); // cancelled
    state().BisSingle = false;
    sources().setOwnFormatFilter(QStringLiteral("AVI files (*.avi)|*.avi"));
    sources().addFiles();
    EXPECT_EQ(interaction.fileFilters.last(), QStringLiteral("AVI files (*.avi)|*.avi"));
    sources().addFolder();
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
