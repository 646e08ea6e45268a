#include "engine_fixture.h"

#include <QFile>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include "sources/joblist.h"
#include "sources/probequeue.h"
#include "sources/sourcelist.h"
#include "sources/sourceprobe.h"
#include "support/finishadd.h"

using namespace transcast;

using Sources = EngineFixture;

TEST_F(Sources, FilesAreProbedInDialogOrderAndUnreadableOnesSkipped)
{
    start();
    select(118);
    const QString text = QDir(sourceDir.path()).filePath(QStringLiteral("notes.avi"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a video");
    file.close();
    const QString b = clip("b clip's.avi", 3, QStringLiteral("640x480"));
    const QString a = clip("a.avi");
    interaction.fileChoices.push_back({b, text, a});
    controller->sources().addFiles();
    transcast::testing::finishAdd(controller->sources());
    ASSERT_EQ(jobs().rowCount(), 2);
    EXPECT_TRUE(jobs().isVisible());
    EXPECT_EQ(jobs().caption(0), QStringLiteral("b clip's"));
    EXPECT_EQ(jobs().subItem(0, JobList::FrameSizeColumn), QStringLiteral("640x480"));
    EXPECT_EQ(jobs().subItem(0, JobList::TimeColumn), QStringLiteral("00:00:03"));
    EXPECT_TRUE(jobs().subItem(0, JobList::OutputSizeColumn).endsWith(QStringLiteral("MB")));
    EXPECT_EQ(jobs().caption(1), QStringLiteral("a"));
    EXPECT_EQ(jobs().selectedRows(), QVector<int>({0}));
    EXPECT_TRUE(interaction.errors.isEmpty() && interaction.warnings.isEmpty());
}

TEST_F(Sources, AFolderScanKeepsVideoExtensionsAndNeverEntersSubfolders)
{
    start();
    select(118);
    clip("A.AVI");
    QFile text(QDir(sourceDir.path()).filePath(QStringLiteral("b.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.close();
    ASSERT_TRUE(QDir(sourceDir.path()).mkdir(QStringLiteral("c")));
    clip(QStringLiteral("c/inside.avi"));
    interaction.folderChoices.push_back(sourceDir.path());
    controller->sources().addFolder();
    transcast::testing::finishAdd(controller->sources());
    ASSERT_EQ(jobs().rowCount(), 1);
    EXPECT_EQ(jobs().caption(0), QStringLiteral("A"));
}

TEST_F(Sources, OutOfTheEditionsFormatTheScanUsesItsFilter)
{
    start(QStringLiteral("transcast-mkv"));
    controller->preferences().setIntoOwnFormat(false);
    clip("x.avi");
    clip("y.mkv");
    controller->sources().addFolderContents(sourceDir.path());
    transcast::testing::finishAdd(controller->sources());
    ASSERT_EQ(jobs().rowCount(), 1);
    EXPECT_EQ(jobs().caption(0), QStringLiteral("y"));
}

// An add started from a slot (a click, a drop) returns at once, before any
// probe has ended; its rows come later from the same event loop, never from
// a loop nested under the add, in the order chosen, with a folder in its
// place; the busy flag stays up until the one addEnded.
TEST_F(Sources, AnAddReturnsAtOnceAndListsItsRowsInOrderLater)
{
    start();
    select(118);
    ASSERT_TRUE(QDir(sourceDir.path()).mkdir(QStringLiteral("in")));
    const QStringList chosen = {clip("c.avi"), QDir(sourceDir.path()).filePath("in"),
                                clip("a.avi")};
    clip(QStringLiteral("in/b2.avi"));
    clip(QStringLiteral("in/b1.avi"));
    SourceList& sources = controller->sources();
    int callLevel = -1;
    bool addingAtReturn = false;
    int rowsAtReturn = -1;
    QList<int> rowLevels;
    int ended = 0;
    QObject::connect(&jobs(), &JobList::rowAppended, [&](int) {
        rowLevels << QThread::currentThread()->loopLevel();
        EXPECT_TRUE(sources.isAdding());
    });
    QObject::connect(&sources, &SourceList::addEnded, [&] {
        ++ended;
        EXPECT_FALSE(sources.isAdding());
    });
    QEventLoop loop;
    QObject::connect(&sources, &SourceList::addEnded, &loop, &QEventLoop::quit);
    QTimer::singleShot(0, &loop, [&] {
        callLevel = QThread::currentThread()->loopLevel();
        sources.addChosenFiles(chosen);
        addingAtReturn = sources.isAdding();
        rowsAtReturn = jobs().rowCount();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(addingAtReturn);
    EXPECT_EQ(rowsAtReturn, 0);
    EXPECT_EQ(ended, 1);
    ASSERT_EQ(jobs().rowCount(), 4);
    QStringList captions;
    for (int row = 0; row < 4; ++row)
        captions << jobs().caption(row);
    EXPECT_EQ(captions, QStringList({"c", "b1", "b2", "a"}));
    EXPECT_EQ(rowLevels, QList<int>(4, callLevel));
}

// Convert clicked while files are being added (the probe keeps the window's
// events flowing) is refused like the list actions, and the add never moves
// the batch's row.
TEST_F(Sources, ConvertIsRefusedWhileFilesAreAdded)
{
    start();
    select(118);
    const QStringList files = {clip("one.avi"), clip("two.avi"), clip("three.avi")};
    const int batchRow = controller->batch().currentRow();
    int clicks = 0;
    QObject::connect(&jobs(), &JobList::rowAppended, [&](int) {
        // A click that arrives while the next file is probed.
        QTimer::singleShot(0, [&] {
            if (!controller->sources().isAdding())
                return; // the last row's click comes after the add
            ++clicks;
            controller->batch().convert();
        });
    });
    // One probe at a time, so that each row comes while the next file is
    // still being probed: side by side, all three may end together and their
    // rows come in one go, leaving no click within the add.
    controller->sources().setProbeWidth(1);
    controller->sources().addChosenFiles(files);
    transcast::testing::finishAdd(controller->sources());
    waitFor([] { return false; }, 200);
    EXPECT_GE(clicks, 1);
    EXPECT_FALSE(controller->busy().isConverting());
    EXPECT_FALSE(controller->runner().isRunning());
    ASSERT_EQ(jobs().rowCount(), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(status(row), QStringLiteral("Status")) << row;
    EXPECT_EQ(controller->batch().currentRow(), batchRow);
    EXPECT_TRUE(interaction.warnings.isEmpty());
}

// A relative name means the file in the current folder, not one beside the
// program (where the encoder runs).
TEST_F(Sources, RelativeAndHomePathsAreMadeAbsolute)
{
    start();
    select(118);
    clip("rel.avi");
    ASSERT_TRUE(QDir(sourceDir.path()).mkdir(QStringLiteral("sub")));
    clip(QStringLiteral("sub/inner.avi"));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(sourceDir.path()));
    controller->sources().addChosenFiles({QStringLiteral("rel.avi"), QStringLiteral("./sub")});
    transcast::testing::finishAdd(controller->sources());
    QDir::setCurrent(before);
    ASSERT_EQ(jobs().rowCount(), 2);
    EXPECT_EQ(jobs().sourceInfo(0).filePath, QDir(sourceDir.path()).filePath("rel.avi"));
    EXPECT_EQ(jobs().sourceInfo(1).filePath, QDir(sourceDir.path()).filePath("sub/inner.avi"));
}

// Without a working encoder nothing can be listed: the user hears why once,
// not once per file, and not as if the files were at fault.
TEST_F(Sources, AnEncoderThatCannotStartIsReportedOnce)
{
    QTemporaryDir program;
    ASSERT_TRUE(QFile::copy(QStringLiteral(TRANSCAST_BIN_DIR "/profiles.pop"),
                            program.filePath(QStringLiteral("profiles.pop"))));
    const QStringList files = {clip("a.avi"), clip("b.avi")};
    const QString encoder = program.filePath(QStringLiteral("register.dat"));
    for (const char* reason : {"No such file or directory", "Permission denied"}) {
        controller = std::make_unique<Controller>(
            Edition(QStringLiteral("transcast"), program.path()), interaction, shell);
        select(118);
        interaction.errors.clear();
        QStringList skipped;
        QObject::connect(&controller->sources(), &SourceList::fileSkipped,
                         [&](const QString& path, const QString&) { skipped << path; });
        controller->sources().addChosenFiles(files);
        transcast::testing::finishAdd(controller->sources());
        EXPECT_EQ(jobs().rowCount(), 0);
        EXPECT_TRUE(skipped.isEmpty());
        EXPECT_EQ(interaction.errors, QStringList({QStringLiteral("Cannot start the encoder %1: %2")
                                                       .arg(encoder, QLatin1String(reason))}));
        EXPECT_TRUE(controller->sources().encoderUnavailable());
        // The second round: an encoder that is there but cannot be run.
        QFile text(encoder);
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("not a program\n");
        text.close();
        text.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

// A probe that does not end is killed; its reason says so.
TEST_F(Sources, AProbeTimeOutSaysSo)
{
    QTemporaryDir program;
    const QString slow = program.filePath(QStringLiteral("register.dat"));
    QFile script(slow);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nexec sleep 30\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    SourceProbe probe(slow, program.path());
    bool finished = false;
    QObject::connect(&probe, &SourceProbe::finished, [&] { finished = true; });
    probe.probe(QStringLiteral("/videos/slow.avi"), 300);
    EXPECT_TRUE(probe.isProbing()); // started, not waited for
    EXPECT_TRUE(waitFor([&] { return finished; }, 10000));
    EXPECT_FALSE(probe.isProbing());
    EXPECT_EQ(probe.failureReason(), QStringLiteral("/videos/slow.avi: timed out after 0.3 s"));
}

// A folder named like a video is passed over without a word; file names
// that are not UTF-8 cannot be listed, and the user hears which; a folder
// that cannot be read is reported.
TEST_F(Sources, AFolderScanSaysWhatItCannotList)
{
    start();
    select(118);
    clip("good.avi");
    ASSERT_TRUE(QDir(sourceDir.path()).mkdir(QStringLiteral("folder.avi")));
    const QByteArray latin1Name = QFile::encodeName(sourceDir.path()) + "/caf\xe9.avi";
    const int fd = ::open(latin1Name.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    QStringList skipped;
    QObject::connect(&controller->sources(), &SourceList::fileSkipped,
                     [&](const QString& path, const QString&) { skipped << path; });

    controller->sources().addFolderContents(sourceDir.path());
    transcast::testing::finishAdd(controller->sources());
    ASSERT_EQ(jobs().rowCount(), 1);
    EXPECT_EQ(jobs().caption(0), QStringLiteral("good"));
    EXPECT_TRUE(skipped.isEmpty()) << skipped.join(',').toStdString();
    EXPECT_EQ(interaction.errors,
              QStringList({QStringLiteral("These file names in %1 are not valid UTF-8 and were "
                                          "left out: caf\\xe9.avi")
                               .arg(sourceDir.path())}));
    EXPECT_EQ(controller->sources().problemCount(), 1);

    interaction.errors.clear();
    const QString gone = QDir(sourceDir.path()).filePath(QStringLiteral("gone"));
    controller->sources().addFolderContents(gone);
    transcast::testing::finishAdd(controller->sources());
    EXPECT_EQ(
        interaction.errors,
        QStringList(
            {QStringLiteral("Cannot read the folder %1: No such file or directory").arg(gone)}));
    EXPECT_EQ(controller->sources().problemCount(), 1);
}

TEST_F(Sources, AFolderIsProbedOnEveryCoreYetListedInNameOrderAsOneByOne)
{
    start();
    select(118);
    // Clips of different lengths and sizes, so that each row is its own and
    // the short ones' probes can end before the long ones'.
    const QStringList made = {clip("base1.avi", 1), clip("base2.avi", 3, QStringLiteral("640x480")),
                              clip("base3.avi", 2, QStringLiteral("176x144"))};
    const QDir folder(sourceDir.path());
    for (int i = 0; i < 15; ++i) {
        const QString name =
            QStringLiteral("%1clip%2.avi").arg(i % 2 ? "B" : "a").arg(i, 2, 10, QChar('0'));
        ASSERT_TRUE(QFile::copy(made[i % 3], folder.filePath(name)));
    }
    for (const char* broken : {"a05broken.avi", "zz-last.avi"}) {
        QFile file(folder.filePath(QString::fromLatin1(broken)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a video");
    }

    struct Listing {
        QStringList rows;
        QStringList skipped;
    };
    SourceList& sources = controller->sources();
    const auto list = [&](int width) {
        Listing listing;
        jobs().clear();
        sources.setProbeWidth(width);
        const auto connection = QObject::connect(
            &sources, &SourceList::fileSkipped, [&](const QString& path, const QString& reason) {
                listing.skipped << QFileInfo(path).fileName() + QLatin1Char(' ') + reason;
            });
        sources.addFolderContents(sourceDir.path());
        transcast::testing::finishAdd(sources);
        QObject::disconnect(connection);
        for (int row = 0; row < jobs().rowCount(); ++row)
            listing.rows << QStringList{jobs().caption(row),
                                        jobs().subItem(row, JobList::FrameSizeColumn),
                                        jobs().subItem(row, JobList::TimeColumn),
                                        jobs().subItem(row, JobList::OutputSizeColumn),
                                        jobs().sourceInfo(row).filePath}
                                .join(QLatin1Char('|'));
        return listing;
    };

    const Listing oneByOne = list(1);
    // The window's events keep flowing while the probes run.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(5);
    const Listing together = list(4);
    ticker.stop();
    // The same with one encoder started per file instead of one per core.
    qputenv("TRANSCAST_PROBE_SERVER", "0");
    const Listing perFile = list(4);
    qunsetenv("TRANSCAST_PROBE_SERVER");

    ASSERT_EQ(oneByOne.rows.size(), 18); // 15 copies, 3 originals; 2 files skipped
    EXPECT_EQ(together.rows, oneByOne.rows);
    EXPECT_EQ(perFile.rows, oneByOne.rows);
    EXPECT_EQ(perFile.skipped, oneByOne.skipped);
    // Letter case ignored: aclip00 aclip02 ... base1 base2 base3 Bclip01 ...
    EXPECT_TRUE(oneByOne.rows[0].startsWith(QStringLiteral("aclip00|")));
    EXPECT_TRUE(oneByOne.rows[1].startsWith(QStringLiteral("aclip02|")));
    EXPECT_TRUE(oneByOne.rows[8].startsWith(QStringLiteral("base1|")));
    EXPECT_TRUE(oneByOne.rows[17].startsWith(QStringLiteral("Bclip13|")));
    // Each unreadable file is reported with its own reason, in its place.
    ASSERT_EQ(together.skipped.size(), 2);
    EXPECT_EQ(together.skipped, oneByOne.skipped);
    EXPECT_TRUE(together.skipped[0].startsWith(QStringLiteral("a05broken.avi ")));
    EXPECT_TRUE(together.skipped[0].contains(QStringLiteral("Invalid data")))
        << together.skipped[0].toStdString();
    EXPECT_TRUE(together.skipped[1].startsWith(QStringLiteral("zz-last.avi ")));
    EXPECT_GT(ticks, 0);
}

namespace
{

// An encoder for the probe tests, written as a shell script into `folder`.
QString fakeEncoder(const QTemporaryDir& folder, const QByteArray& script)
{
    const QString path = folder.filePath(QStringLiteral("register.dat"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("#!/bin/bash\nexport LC_ALL=C\n"
               "report=$'Input #0, avi:\\r\\n  Duration: 00:00:07.00, start: 0.000000, "
               "bitrate: 437 kb/s\\r\\n    Stream #0.0: Video: 160x120, mpeg4, 25 fps\\r\\n'\n" +
               script);
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

// Probes `paths` one at a time through one worker and tells, per path, the
// duration found or the reason there is none.
QStringList probeAll(const QString& encoder, const QStringList& paths, int timeoutMs)
{
    QStringList told;
    ProbeQueue queue(encoder, QFileInfo(encoder).path());
    QObject::connect(&queue, &ProbeQueue::delivered, [&](const ProbeQueue::Outcome& outcome) {
        told << (outcome.result.durationMs ? durationClock(outcome.result.durationMs)
                                           : outcome.failureReason);
    });
    QEventLoop loop;
    QObject::connect(&queue, &ProbeQueue::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, [&] {
        told << QStringLiteral("not finished");
        loop.quit();
    });
    queue.start(paths, 1, timeoutMs);
    loop.exec();
    return told;
}

} // namespace

// One encoder serves many probes; when it stalls on a file, that file times
// out and a new encoder serves the next; when it dies on a file, that file
// says so and the next is served again.
TEST_F(Sources, AServingEncoderThatStallsOrDiesCostsOnlyThatFile)
{
    QTemporaryDir program;
    const QString encoder = fakeEncoder(program, R"(
[ "$1" = --probe-server ] || exit 2
while IFS= read -r -d '' path; do
  case "$path" in
    *slow*) exec sleep 30 ;;
    *dies*) exit 1 ;;
  esac
  printf 'REPORT %d\n%s' "${#report}" "$report"
done
)");
    const QStringList told =
        probeAll(encoder, {"/v/a.avi", "/v/slow.avi", "/v/b.avi", "/v/dies.avi", "/v/c.avi"}, 500);
    EXPECT_EQ(told, QStringList({"00:00:07", "/v/slow.avi: timed out after 0.5 s", "00:00:07",
                                 "/v/dies.avi: the encoder ended while reading it", "00:00:07"}));
}

// An encoder that does not serve (it prints its usage and ends) is asked one
// file at a time, and its own words explain a file it cannot read.
TEST_F(Sources, AnEncoderThatDoesNotServeIsAskedFileByFile)
{
    QTemporaryDir program;
    const QString encoder = fakeEncoder(program, R"(
if [ "$1" = --probe-server ]; then echo "usage: register.dat -i FILE"; exit 2; fi
case "$2" in
  *bad*) echo "$2: Invalid data found when processing input" ;;
  *) printf '%s' "$report" ;;
esac
)");
    const QStringList told = probeAll(encoder, {"/v/a.avi", "/v/bad.avi", "/v/c.avi"}, 5000);
    EXPECT_EQ(told, QStringList({"00:00:07", "/v/bad.avi: Invalid data found when processing input",
                                 "00:00:07"}));
}
