// Conversions side by side against one at a time: the same list converted
// both ways must end the same, row for row and name for name.
#include "engine_fixture.h"

#include <QFile>
#include <QFileInfo>

#include "common/textutil.h"
#include "sources/dvdtitles.h"
#include "support/testdiscs.h"
#include "support/discreading.h"
#include "support/finishadd.h"

using namespace transcast;

namespace
{

// Records the finish action with what the batch was doing at that moment.
class WatchingShell : public RecordingShell
{
public:
    std::function<void()> opened;
    void openFolder(const QString& path) override
    {
        RecordingShell::openFolder(path);
        if (opened)
            opened();
    }
};

class SideBySide : public EngineFixture
{
protected:
    struct Result {
        QStringList statuses;
        QStringList reasons;
        QStringList outputs; // the output folder's files, sorted
        int finishActions = 0;
        bool finishedWhileConverting = false;
        int mostAtOnce = 0;
    };

    WatchingShell watching;
    QString edition = QStringLiteral("transcast");

    // A fresh controller converts what `list` puts into its list, `atOnce`
    // side by side, into an output folder holding `existing`; `stopWhen`,
    // when given, is asked as the batch runs and stops it once it holds.
    Result convert(int atOnce, const std::function<void()>& list,
                   const std::function<bool()>& stopWhen = {}, const QStringList& existing = {})
    {
        Result result;
        QTemporaryDir out;
        for (const QString& name : existing) {
            QFile file(QDir(out.path()).filePath(name));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write("taken") > 0);
        }
        controller = std::make_unique<Controller>(
            Edition(edition, QStringLiteral(TRANSCAST_BIN_DIR)), interaction, watching);
        controller->loadSettings(configDir.path());
        controller->preferences().setOutputFolderText(out.path());
        controller->preferences().setConversionsAtOnce(atOnce);
        controller->preferences().setFinishAction(1);
        select(118); // MP4 - MPEG4 Video Mini: quick to encode
        list();
        watching.openedFolders.clear();
        watching.opened = [&] {
            result.finishedWhileConverting = controller->batch().encodersRunning() ||
                                             !controller->batch().runningRows().isEmpty();
        };
        QObject::connect(&jobs(), &JobList::rowChanged, controller.get(), [&] {
            result.mostAtOnce =
                qMax(result.mostAtOnce, static_cast<int>(controller->batch().runningRows().size()));
        });
        controller->batch().convert();
        EXPECT_TRUE(waitFor(
            [&] {
                if (stopWhen && controller->busy().isConverting() && stopWhen())
                    controller->batch().stopConversion();
                return !controller->busy().isConverting() && !controller->batch().encodersRunning();
            },
            300000));
        for (int row = 0; row < jobs().rowCount(); ++row) {
            result.statuses << status(row);
            result.reasons << jobs().row(row).failureReason;
        }
        result.outputs = QDir(out.path()).entryList(QDir::Files, QDir::Name);
        for (const QString& name : result.outputs)
            EXPECT_GT(QFileInfo(QDir(out.path()).filePath(name)).size(), 0) << name.toStdString();
        result.finishActions = static_cast<int>(watching.openedFolders.size());
        watching.opened = nullptr;
        return result;
    }

    static void expectSame(const Result& one, const Result& two)
    {
        EXPECT_EQ(two.statuses, one.statuses);
        EXPECT_EQ(two.reasons, one.reasons);
        EXPECT_EQ(two.outputs, one.outputs);
        EXPECT_EQ(two.finishActions, one.finishActions);
        EXPECT_FALSE(one.finishedWhileConverting);
        EXPECT_FALSE(two.finishedWhileConverting);
        EXPECT_EQ(one.mostAtOnce, 1);
        EXPECT_EQ(two.mostAtOnce, 2) << "the rows did not convert side by side";
    }

    bool ended(int row)
    {
        return !status(row).endsWith(QLatin1Char('%')) && status(row) != QStringLiteral("Status");
    }
};

} // namespace

TEST_F(SideBySide, AListWithAFailureClashingNamesAndAStopEndsAsOneAtATime)
{
    if (Preferences::maxConversionsAtOnce() < 2)
        GTEST_SKIP() << "one core: nothing converts side by side";
    QDir(sourceDir.path()).mkpath(QStringLiteral("sub"));
    const QString one = clip(QStringLiteral("one.avi"));
    const QString otherOne = clip(QStringLiteral("sub/one.avi"));
    const QString otherBroken = clip(QStringLiteral("sub/broken.avi"));
    const QString two = clip(QStringLiteral("two.avi"));
    const QString longer = clip(QStringLiteral("long.avi"), 60, QStringLiteral("640x480"));
    const QString otherLong = clip(QStringLiteral("sub/long.avi"));
    const QString broken = QDir(sourceDir.path()).filePath(QStringLiteral("broken.avi"));
    // Rows: one; broken (gone after it was listed: fails, writing nothing);
    // sub/broken (one at a time it gets broken.mp4, which the failure left
    // free); sub/one (one.mp4 is taken by then); two (two.mp4 is in the
    // folder already); long (stopped while it converts, every row above
    // having ended); sub/long, whose name waits on long's and so never
    // starts.
    const auto list = [&] {
        QFile::remove(broken);
        ASSERT_TRUE(QFile::copy(one, broken));
        controller->sources().addChosenFiles(
            {one, broken, otherBroken, otherOne, two, longer, otherLong});
        transcast::testing::finishAdd(controller->sources());
        ASSERT_EQ(jobs().rowCount(), 7);
        QFile::remove(broken);
    };
    const auto stopWhen = [&] {
        for (int row = 0; row < 5; ++row) {
            if (!ended(row))
                return false;
        }
        return status(5).endsWith(QLatin1Char('%')) && status(5) != QStringLiteral("00.00%");
    };
    const Result oneAtATime = convert(1, list, stopWhen, {QStringLiteral("two.mp4")});
    const Result sideBySide = convert(2, list, stopWhen, {QStringLiteral("two.mp4")});

    EXPECT_EQ(oneAtATime.statuses,
              QStringList({"Finish", "Failed", "Finish", "Finish", "Finish", "Stop", "Status"}));
    EXPECT_FALSE(oneAtATime.reasons[1].isEmpty());
    EXPECT_EQ(oneAtATime.outputs, QStringList({"broken.mp4", "long.mp4", "one.mp4", "one_1.mp4",
                                               "two.mp4", "two_1.mp4"}));
    EXPECT_EQ(oneAtATime.finishActions, 0);
    expectSame(oneAtATime, sideBySide);
}

TEST_F(SideBySide, TitlesOfOneDiscConvertTogetherAsOneAtATime)
{
    if (Preferences::maxConversionsAtOnce() < 2)
        GTEST_SKIP() << "one core: nothing converts side by side";
    const testdiscs::TestDiscs& discs = testdiscs::testDiscs();
    ASSERT_TRUE(discs.ok) << discs.error;
    edition = QStringLiteral("transcast-dvd");
    // Every title but the second: the first title set is read beside the
    // third, whose two titles share one VOB.
    const auto list = [&] {
        ASSERT_TRUE(transcast::testing::readDisc(controller->dvd(), [&] {
            return controller->dvd().openDisc(QString::fromStdString(discs.disc));
        }));
        ASSERT_EQ(jobs().rowCount(), 4);
        for (int row = 0; row < jobs().rowCount(); ++row)
            jobs().setChecked(row, row != 1);
    };
    const Result oneAtATime = convert(1, list);
    const Result sideBySide = convert(2, list);

    EXPECT_EQ(oneAtATime.statuses, QStringList({"Finish", "Ready", "Finish", "Finish"}));
    EXPECT_EQ(oneAtATime.outputs, QStringList({"Title_01.mp4", "Title_03.mp4", "Title_04.mp4"}));
    EXPECT_EQ(oneAtATime.finishActions, 1);
    expectSame(oneAtATime, sideBySide);
}

TEST_F(SideBySide, StopStopsEveryRunningConversionAndKeepsTheirFiles)
{
    if (Preferences::maxConversionsAtOnce() < 2)
        GTEST_SKIP() << "one core: nothing converts side by side";
    start();
    select(118);
    controller->preferences().setConversionsAtOnce(2);
    controller->preferences().setFinishAction(2);
    controller->sources().addChosenFiles(
        {clip(QStringLiteral("first.avi"), 60, QStringLiteral("640x480")),
         clip(QStringLiteral("second.avi"), 60, QStringLiteral("640x480")), clip("third.avi")});
    transcast::testing::finishAdd(controller->sources());
    controller->batch().convert();
    // Both have converted something, so that the stop cuts into real work.
    const auto started = [&](int row) {
        return status(row).endsWith(QLatin1Char('%')) && status(row) != QStringLiteral("00.00%");
    };
    ASSERT_TRUE(waitFor([&] { return started(0) && started(1); }));
    EXPECT_EQ(controller->batch().runningRows(), QVector<int>({0, 1}));
    controller->batch().stopConversion();
    EXPECT_EQ(status(0), QStringLiteral("Stop"));
    EXPECT_EQ(status(1), QStringLiteral("Stop"));
    EXPECT_FALSE(controller->busy().isConverting());
    ASSERT_TRUE(waitFor([&] { return !controller->batch().encodersRunning(); }));
    waitFor([] { return false; }, 1000); // nothing starts later
    EXPECT_EQ(status(2), QStringLiteral("Status"));
    EXPECT_EQ(shell.shutdowns, 0);
    EXPECT_EQ(controller->batch().progress().summary().section(QStringLiteral(" in "), 0, 0),
              QStringLiteral("0 converted, 0 failed, 2 stopped"));
    // Both were asked to end, so both closed files that play.
    for (const char* name : {"first.mp4", "second.mp4"}) {
        const testclips::RunResult probe =
            testclips::runRegister({"-i", QDir(outDir.path()).filePath(QString::fromLatin1(name))});
        EXPECT_EQ(probe.exitCode, 0) << name << probe.output.toStdString();
        EXPECT_GE(testclips::readLikeTheApp(probe.output).durationMs.value_or(0), 1000) << name;
    }
}
