#include "engine_fixture.h"

#include <csignal>

#include <QFile>
#include <QFileInfo>

#include "common/inifile.h"
#include "common/textutil.h"
#include "sources/joblistfile.h"
#include "support/finishadd.h"

using namespace transcast;

namespace
{

class Batches : public EngineFixture
{
protected:
    void SetUp() override
    {
        start();
        select(118); // MP4 - MPEG4 Video Mini
        controller->sources().addChosenFiles({clip("one.avi"), clip("two.avi"), clip("three.avi")});
        transcast::testing::finishAdd(controller->sources());
        ASSERT_EQ(jobs().rowCount(), 3);
    }
};

// The ffmpeg writing `output`, found by its command line; -1 when none runs.
qint64 ffmpegWriting(const QString& output)
{
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = cmdline.readAll();
        if (line.contains("ffmpeg") && line.contains(output.toUtf8()))
            return entry.toLongLong();
    }
    return -1;
}

} // namespace

TEST_F(Batches, ConvertsEveryRowInOrderAndRunsTheFinishAction)
{
    controller->preferences().setFinishAction(1);
    QStringList started;
    QObject::connect(&jobs(), &JobList::rowChanged, [&](int row) {
        if (status(row).endsWith(QLatin1Char('%')) && !started.contains(jobs().caption(row)))
            started << jobs().caption(row);
    });
    controller->batch().convert();
    EXPECT_TRUE(controller->busy().isConverting());
    EXPECT_TRUE(controller->progress().isVisible());
    ASSERT_TRUE(waitFor([&] { return !controller->busy().isConverting(); }));
    EXPECT_EQ(started, QStringList({"one", "two", "three"}));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(status(row), QStringLiteral("Finish")) << row;
    for (const char* name : {"one.mp4", "two.mp4", "three.mp4"})
        EXPECT_GT(QFileInfo(QDir(outDir.path()).filePath(QString::fromLatin1(name))).size(), 0)
            << name;
    EXPECT_FALSE(controller->progress().isVisible());
    // The folder opens with the separator the job builder added.
    EXPECT_EQ(shell.openedFolders, QStringList({outDir.path() + QLatin1Char('/')}));
    EXPECT_EQ(shell.shutdowns, 0);
}

// The close query the window and the command line share: refused while a
// batch runs, with nothing saved or forgotten; once the batch has ended it
// saves what the user chose and forgets the kept list.
TEST_F(Batches, CloseWaitsForTheBatchThenSavesTheChosenOutputFolder)
{
    controller->keepJobList();
    ASSERT_TRUE(controller->jobListKeeper().isKeeping());
    QDir(outDir.path()).mkpath(QStringLiteral("chosen"));
    const QString chosen = QDir(outDir.path()).filePath(QStringLiteral("chosen"));
    interaction.folderChoices.push_back(chosen);
    QStringList shown;
    QObject::connect(controller.get(), &Controller::outputFolderTextChanged,
                     [&](const QString& text) { shown << text; });
    controller->browseOutputFolder();
    EXPECT_EQ(shown, QStringList{chosen});

    int viewsKept = 0;
    const auto keepView = [&](IniFile&) { ++viewsKept; };
    controller->batch().convert();
    ASSERT_TRUE(controller->busy().isConverting());
    EXPECT_FALSE(controller->requestClose(keepView));
    EXPECT_EQ(interaction.informations, QStringList{"Please first stop converting!"});
    EXPECT_EQ(viewsKept, 0);
    EXPECT_TRUE(controller->jobListKeeper().isKeeping());
    const QString settings = controller->settings().settingsPath();
    EXPECT_NE(IniFile(settings).readString(QStringLiteral("output"), QStringLiteral("path")),
              chosen);

    ASSERT_TRUE(waitFor([&] { return !controller->busy().isConverting(); }));
    EXPECT_TRUE(QFileInfo::exists(QDir(chosen).filePath(QStringLiteral("one.mp4"))));
    EXPECT_TRUE(controller->requestClose(keepView));
    EXPECT_EQ(viewsKept, 1);
    EXPECT_FALSE(controller->jobListKeeper().isKeeping());
    EXPECT_TRUE(IniFile(settings)
                    .readString(QStringLiteral("output"), QStringLiteral("path"))
                    .startsWith(chosen));
}

// Converted again, each row is this batch's the moment it starts, before its
// encoder has said anything: its percentage on screen, no earlier "Finish"
// faded or not, and converting in the kept list, so that a crash then offers
// it again while the rows finished before stay away.
TEST_F(Batches, ARowConvertedAgainIsConvertingAtOnceOnScreenAndOnDisk)
{
    controller->batch().convert();
    ASSERT_TRUE(waitFor([&] { return !controller->busy().isConverting(); }));
    controller->keepJobList();
    JobListKeeper& keeper = controller->jobListKeeper();
    ASSERT_TRUE(keeper.isKeeping());
    QStringList shown, kept, offered;
    QObject::connect(&controller->batch(), &Batch::jobStarted, [&](int row) {
        shown << status(row) + (jobs().row(row).earlierBatch ? " faded" : "");
        keeper.flush();
        QFile file(keeper.path());
        const auto contents =
            JobListFile::decode(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
        ASSERT_TRUE(contents);
        for (const JobRow& record : contents->rows)
            kept << record.caption + QLatin1Char('=') + jobStatusText(record);
        for (const JobRow& record : JobListFile::unfinishedRows(*contents))
            offered << record.caption + QLatin1Char('=') + jobStatusText(record);
    });
    controller->batch().convert();
    ASSERT_TRUE(waitFor([&] { return !controller->busy().isConverting(); }));
    EXPECT_EQ(shown, QStringList(3, QStringLiteral("00.00%")));
    EXPECT_EQ(kept,
              QStringList({"one=00.00%", "two=Finish", "three=Finish", "one=Finish", "two=00.00%",
                           "three=Finish", "one=Finish", "two=Finish", "three=00.00%"}));
    EXPECT_EQ(offered, QStringList({"one=Status", "two=Status", "three=Status"}));
    for (const char* name : {"one_1.mp4", "two_1.mp4", "three_1.mp4"})
        EXPECT_TRUE(QFileInfo::exists(QDir(outDir.path()).filePath(QString::fromLatin1(name))))
            << name;
}

TEST_F(Batches, StopLeavesTheRestAloneAndSkipsTheFinishAction)
{
    controller->preferences().setFinishAction(2);
    // Row 1 is long enough to be stopped while it runs.
    const QString longClip = clip("long.avi", 60, QStringLiteral("640x480"));
    jobs().changeRow(1, [&](JobRow& r) { r.source.filePath = longClip; });
    controller->batch().convert();
    ASSERT_TRUE(waitFor(
        [&] { return controller->batch().currentRow() == 1 && controller->runner().isRunning(); }));
    ASSERT_TRUE(waitFor([&] {
        return status(1).endsWith(QLatin1Char('%')) && status(1) != QStringLiteral("00.00%");
    }));
    controller->batch().stopConversion();
    EXPECT_FALSE(controller->busy().isConverting());
    EXPECT_FALSE(controller->progress().isVisible());
    EXPECT_EQ(status(0), QStringLiteral("Finish"));
    EXPECT_EQ(status(1), QStringLiteral("Stop"));
    EXPECT_EQ(status(2), QStringLiteral("Status"));
    // The encoder closes its file while the event loop runs on.
    ASSERT_TRUE(waitFor([&] { return !controller->runner().isRunning(); }));
    // Nothing arrives later: no finish action, no next job.
    waitFor([] { return false; }, 1500);
    EXPECT_EQ(shell.shutdowns, 0);
    EXPECT_EQ(status(2), QStringLiteral("Status"));
    EXPECT_FALSE(QFileInfo::exists(QDir(outDir.path()).filePath(QStringLiteral("three.mp4"))));
    // The stopped row keeps its partial output, and it plays: the encoder
    // was asked to end, so it closed the file.
    const testclips::RunResult probe =
        testclips::runRegister({"-i", QDir(outDir.path()).filePath(QStringLiteral("long.mp4"))});
    EXPECT_EQ(probe.exitCode, 0) << probe.output.toStdString();
    EXPECT_GE(testclips::readLikeTheApp(probe.output).durationMs.value_or(0), 1000);
}

// After a stop the list is the user's again while the stopped encoder closes
// its file: a row removed before the stopped one moves it, and what the stop
// came to (here an encoder that no longer answers) reaches that row, never
// the row that took its old place.
TEST_F(Batches, AStoppedRowThatMovesBeforeItsEncoderEndsGetsItsOwnReport)
{
    const QString longClip = clip("long.avi", 60, QStringLiteral("640x480"));
    jobs().changeRow(1, [&](JobRow& r) { r.source.filePath = longClip; });
    controller->batch().convert();
    ASSERT_TRUE(waitFor([&] {
        return status(1).endsWith(QLatin1Char('%')) && status(1) != QStringLiteral("00.00%");
    }));
    const qint64 ffmpeg = ffmpegWriting(QDir(outDir.path()).filePath(QStringLiteral("long.mp4")));
    ASSERT_GT(ffmpeg, 0);
    ::kill(static_cast<pid_t>(ffmpeg), SIGSTOP);
    controller->batch().stopConversion();
    jobs().clearSelection();
    jobs().setSelected(0, true);
    controller->removeSelected();
    ASSERT_EQ(jobs().rowCount(), 2);
    EXPECT_TRUE(controller->batch().encodersRunning());
    EXPECT_EQ(controller->batch().runningRows(), QVector<int>{0});

    ASSERT_TRUE(waitFor([&] { return !controller->batch().encodersRunning(); }, 30000));
    EXPECT_EQ(jobs().caption(0), QStringLiteral("two"));
    EXPECT_EQ(status(0), QStringLiteral("Stop"));
    EXPECT_TRUE(jobs().row(0).failureReason.startsWith(
        QStringLiteral("The encoder stopped answering and was ended.")))
        << jobs().row(0).failureReason.toStdString();
    EXPECT_EQ(status(1), QStringLiteral("Status"));
    EXPECT_TRUE(jobs().row(1).failureReason.isEmpty()) << jobs().row(1).failureReason.toStdString();
    EXPECT_TRUE(controller->batch().progress().summary().contains(QStringLiteral("1 stopped")))
        << controller->batch().progress().summary().toStdString();
}

TEST_F(Batches, AFailingRowIsMarkedAndTheBatchGoesOn)
{
    controller->preferences().setFinishAction(2);
    QFile::remove(jobs().sourceInfo(1).filePath); // gone after it was listed
    controller->batch().convert();
    ASSERT_TRUE(waitFor([&] { return !controller->busy().isConverting(); }));
    EXPECT_EQ(status(0), QStringLiteral("Finish"));
    EXPECT_EQ(status(1), QStringLiteral("Failed"));
    EXPECT_EQ(status(2), QStringLiteral("Finish"));
    EXPECT_FALSE(jobs().row(1).failureReason.isEmpty());
    EXPECT_TRUE(jobs().row(0).failureReason.isEmpty());
    EXPECT_EQ(shell.shutdowns, 1); // the user asked for it; the batch did end
}

TEST_F(Batches, AnEncoderThatCannotStartFailsItsRows)
{
    QTemporaryDir emptyProgram;
    ASSERT_TRUE(QFile::copy(QStringLiteral(TRANSCAST_BIN_DIR "/profiles.pop"),
                            emptyProgram.filePath(QStringLiteral("profiles.pop"))));
    const QStringList files = {jobs().sourceInfo(0).filePath, jobs().sourceInfo(1).filePath};
    controller = std::make_unique<Controller>(
        Edition(QStringLiteral("transcast"), emptyProgram.path()), interaction, shell);
    controller->loadSettings(configDir.path());
    controller->preferences().setOutputFolderText(outDir.path());
    select(118);
    // No register.dat here: rows cannot even be listed, so list them by hand.
    for (const QString& file : files) {
        ProbeResult probed;
        probed.overallKbps = 500;
        probed.durationMs = 2000;
        controller->sources().addProbedFile(file, probed);
    }
    controller->batch().convert();
    ASSERT_TRUE(waitFor([&] { return !controller->busy().isConverting(); }));
    EXPECT_EQ(status(0), QStringLiteral("Failed"));
    EXPECT_EQ(status(1), QStringLiteral("Failed"));
}

TEST_F(Batches, ConvertRefusesWhileBusyAndSaysAnEmptyListNeedsFiles)
{
    controller->busy().setPlaying(true);
    controller->batch().convert();
    controller->busy().setPlaying(false);
    controller->busy().setConverting(true);
    controller->batch().convert();
    EXPECT_EQ(interaction.warnings,
              QStringList({"Please first stop play!", "Please first stop convert!"}));
    controller->busy().setConverting(false);
    jobs().clear();
    controller->batch().convert();
    EXPECT_FALSE(controller->busy().isConverting());
    EXPECT_EQ(interaction.warnings.size(), 3);
    EXPECT_EQ(interaction.warnings.last(), QStringLiteral("Please add files first"));
}
