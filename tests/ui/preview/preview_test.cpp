#include <functional>
#include <memory>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "common/textutil.h"
#include "control/joblistkeeper.h"
#include "control/jobstatustext.h"
#include "sources/joblistfile.h"
#include "support/scriptedinteraction.h"
#include "ui/joblistmodel.h"
#include "ui/mainwindow.h"
#include "ui/previewbinding.h"
#include "ui/previewscreen.h"
#include "unit/preview/disclocator.h"
#include "unit/preview/previewclips.h"

using namespace transcast;

namespace
{

// A listener on 127.0.0.1 that counts the connections made to it.
class LocalListener
{
public:
    LocalListener()
    {
        m_socket = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        EXPECT_EQ(bind(m_socket, reinterpret_cast<sockaddr*>(&address), length), 0);
        EXPECT_EQ(listen(m_socket, 16), 0);
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~LocalListener() { close(m_socket); }
    int port() const { return m_port; }
    int connections()
    {
        for (int client; (client = accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
            close(client);
            ++m_connections;
        }
        return m_connections;
    }

private:
    int m_socket = -1;
    int m_port = 0;
    int m_connections = 0;
};

// CPU seconds this process has used.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// The window with its real preview over libmpv (pictures drawn by the
// software renderer, no sound), on rows written straight into the job list so that each row's
// length can be what a test needs.
class Preview : public ::testing::Test
{
protected:
    QTemporaryDir configDir;
    ScriptedInteraction interaction;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;
    // Every text "play_time" showed while the preview ran, in order.
    QStringList timesShown;

    struct Step {
        std::function<bool()> when;
        std::function<void()> then;
    };

    void open(const QString& name = QStringLiteral("transcast"))
    {
        window = std::make_unique<MainWindow>(Edition(name, QStringLiteral(TRANSCAST_BIN_DIR)),
                                              &interaction, &shell);
        window->setSettingsFolder(configDir.path());
        window->show();
        ASSERT_TRUE(window->firstShowCompleted());
        player().setAudioOutput(QStringLiteral("null"));
    }

    void TearDown() override
    {
        if (window) {
            window->controller().busy().setConverting(false);
            window->dispatch(QStringLiteral("stopplay"));
            window->close();
        }
    }

    JobList& jobs() { return window->controller().jobs(); }
    PreviewController& preview() { return window->preview(); }
    PreviewPlayer& player() { return preview().player(); }
    QString timeText() { return window->skin().text(QStringLiteral("play_time")); }
    int bar() { return window->skin().barPosition(QStringLiteral("play_bar")); }
    QString status(int row) { return jobStatusText(jobs().row(row)); }

    // A listed row: a title row in the DVD edition ("Ready"), else a file.
    int addRow(const QString& path, const QString& duration)
    {
        JobRow record;
        record.kind = window->edition().isDvdMode() ? JobKind::Title : JobKind::File;
        record.caption = QFileInfo(path).fileName();
        record.source.filePath = path;
        record.source.durationMs = clockToMilliseconds(duration);
        const int row = jobs().appendRow(record);
        jobs().setVisible(true);
        return row;
    }

    // A row of title `title` of title set 1 of the authored test disc, as
    // the DVD listing would add it.
    int addDiscTitleRow(int title, int audioId, const QString& duration,
                        int subtitleId = DvdRowInfo::kNoStream)
    {
        const auto& discs = testdiscs::testDiscs();
        EXPECT_TRUE(discs.ok) << discs.error;
        const previewclips::DiscTitle found = previewclips::discTitle(1, title);
        const int row = addRow(QString(), duration);
        jobs().changeRow(row, [&](JobRow& record) {
            DvdRowInfo& info = record.dvd;
            info.ifoPath = QFile::decodeName(discs.ifo(1).c_str());
            info.startSector = found.startPos;
            info.endSector = found.endPos;
            info.audioId = audioId;
            info.subtitleId = subtitleId;
        });
        return row;
    }

    void select(int row)
    {
        jobs().clearSelection();
        jobs().setSelected(row, true);
    }

    // Presses "play" (or runs `start`) and, while the preview runs, each
    // step in turn once its condition holds. A preview still running after
    // `limitMs` is stopped and fails the test.
    void playWith(std::vector<Step> steps, int limitMs = 20000,
                  const std::function<void()>& start = {})
    {
        timesShown.clear();
        size_t next = 0;
        QTimer poll;
        bool inStep = false;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            const QString shown = timeText();
            if (timesShown.isEmpty() || timesShown.last() != shown)
                timesShown << shown;
            // A step may wait for the preview (settle()); the poll does not
            // start the next step from in there.
            if (inStep)
                return;
            inStep = true;
            while (next < steps.size() && steps[next].when())
                steps[next++].then();
            inStep = false;
        });
        poll.start(5);
        bool timedOut = false;
        QTimer::singleShot(limitMs, window.get(), [&] {
            timedOut = true;
            window->dispatch(QStringLiteral("stopplay"));
        });
        if (start)
            start();
        else
            window->dispatch(QStringLiteral("play"));
        waitForTheEnd();
        poll.stop();
        if (timesShown.isEmpty() || timesShown.last() != timeText())
            timesShown << timeText();
        EXPECT_FALSE(timedOut) << "the preview did not end by itself";
        EXPECT_EQ(next, steps.size()) << "the preview ended before step " << next;
    }

    // The preview plays in the event loop: this runs it until it has ended
    // and what it was asked meanwhile has been carried out.
    void waitForTheEnd()
    {
        while (window->controller().busy().isPlaying() || preview().queue().isPaused() ||
               preview().queue().waiting() > 0)
            QTest::qWait(5);
    }

    // Waits until the preview has carried out what it was asked: the input
    // that waits behind a display pause runs after it.
    void settle()
    {
        EXPECT_TRUE(waitFor(
            [&] { return !preview().queue().isPaused() && preview().queue().waiting() == 0; }));
    }

    static bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < timeoutMs)
            QTest::qWait(10);
        return done();
    }
};

// The test stream's first report is about 1.2 s: the start offset is 1
// and the time shown counts from 00:00:00. At the row's length (2 s) endTimer
// ends the preview before the file's end, and everything returns to rest.
TEST_F(Preview, StartOffsetAndTheEndAtTheRowsLength)
{
    open();
    const int row = addRow(previewclips::transportStream(8), QStringLiteral("00:00:02"));
    select(row);
    bool playingSeen = false;
    playWith({{[&] { return preview().startOffset() != 0; },
               [&] {
                   playingSeen = window->controller().busy().isPlaying();
                   EXPECT_EQ(status(row), QStringLiteral("Play"));
               }}});
    EXPECT_TRUE(playingSeen);
    EXPECT_EQ(preview().startOffset(), 1);
    EXPECT_EQ(preview().shownSecond(), 2);
    // endTimer ended it at 00:00:02, not the end of the 8 s file.
    EXPECT_EQ(timesShown, (QStringList{"00:00:00", "00:00:01", "00:00:02", "00:00:00"}))
        << timesShown.join(QLatin1Char(' ')).toStdString();
    EXPECT_FALSE(window->controller().busy().isPlaying());
    EXPECT_EQ(timeText(), QStringLiteral("00:00:00"));
    EXPECT_EQ(bar(), 0);
    // A preview is no conversion: the row shows its listed word again.
    EXPECT_EQ(status(row), QStringLiteral("Status"));
    EXPECT_FALSE(preview().endTimer().isActive());
    EXPECT_TRUE(interaction.errors.isEmpty());
}

// A row whose time text is no hh:mm:ss has the length 0: the first report
// already ends the preview.
TEST_F(Preview, ZeroSecondRowStopsAtTheFirstReport)
{
    open();
    const int row = addRow(previewclips::transportStream(8), QStringLiteral("1:02:03"));
    select(row);
    playWith({});
    EXPECT_EQ(timesShown, QStringList{"00:00:00"}) << "it went on past the first report";
    EXPECT_EQ(preview().shownSecond(), 0);
    EXPECT_EQ(status(row), QStringLiteral("Status"));
    EXPECT_EQ(bar(), 0);
}

// Releasing the bar at 2500 on a 200 s row with the start offset 1 seeks to
// 51 on the file's clock. The seek is made while paused, so the position
// stays where it landed: the time shown is 00:00:50 exactly. While the bar
// is held, reports move the time but not the bar; once the drag is over the
// bar follows the time again.
TEST_F(Preview, BarHeldStaysAndItsReleaseSeeks)
{
    open();
    const int row = addRow(previewclips::transportStream(60), QStringLiteral("00:03:20"));
    select(row);
    QString timeWhenPressed;
    playWith({{[&] { return preview().shownSecond() >= 1; },
               [&] {
                   window->skin().pressed(QStringLiteral("play_bar"));
                   settle();
                   EXPECT_TRUE(preview().isBarDragging());
                   window->skin().setBarPosition(QStringLiteral("play_bar"), 2500);
                   timeWhenPressed = timeText();
               }},
              {[&] { return timeText() != timeWhenPressed; },
               [&] {
                   QTest::qWait(150);
                   EXPECT_EQ(bar(), 2500) << "a report moved the held bar";
                   window->dispatch(QStringLiteral("pause"));
                   settle();
                   window->skin().released(QStringLiteral("play_bar"));
                   EXPECT_TRUE(preview().queue().isPaused());
                   EXPECT_TRUE(preview().isBarDragging()) << "the drag ends after the seek settles";
               }},
              {[&] { return preview().shownSecond() >= 50; },
               [&] {
                   QTest::qWait(300);
                   EXPECT_EQ(timeText(), QStringLiteral("00:00:50"));
                   EXPECT_FALSE(preview().isBarDragging());
                   window->dispatch(QStringLiteral("pause"));
               }},
              {[&] { return bar() != 2500; },
               [&] {
                   EXPECT_EQ(bar(), 51 * 10000 / 200) << "the bar follows from 00:00:51 on";
                   window->dispatch(QStringLiteral("stopplay"));
               }}});
    EXPECT_EQ(status(row), QStringLiteral("Status"));
    EXPECT_EQ(bar(), 0);
}

// Pause, then play: the preview resumes and the status returns to "Play". A
// preview that ends while paused leaves nothing paused behind.
TEST_F(Preview, PauseAndResumeStatuses)
{
    open();
    const int row = addRow(previewclips::transportStream(4), QStringLiteral("00:00:04"));
    select(row);
    QString timeWhenPaused;
    playWith({{[&] { return preview().shownSecond() >= 1; },
               [&] {
                   window->dispatch(QStringLiteral("pause"));
                   settle();
                   EXPECT_TRUE(preview().isPaused());
                   EXPECT_EQ(status(row), QStringLiteral("Pause"));
                   timeWhenPaused = timeText();
                   QTest::qWait(1500);
                   EXPECT_EQ(timeText(), timeWhenPaused) << "time went on while paused";
                   window->dispatch(QStringLiteral("play"));
                   settle();
                   EXPECT_FALSE(preview().isPaused());
                   EXPECT_EQ(status(row), QStringLiteral("Play"));
               }},
              {[&] { return !timeWhenPaused.isEmpty() && timeText() != timeWhenPaused; },
               [&] {
                   window->dispatch(QStringLiteral("pause"));
                   settle();
                   EXPECT_TRUE(preview().isPaused());
                   window->dispatch(QStringLiteral("stopplay"));
               }}});
    EXPECT_FALSE(preview().isPaused()) << "the ended preview left paused set";
    EXPECT_EQ(status(row), QStringLiteral("Status"));
}

// Previewing a converted row changes nothing of how its conversion went: it
// shows "Play" and "Pause" while the preview runs and "Finish" again after;
// the kept list holds it finished throughout (the preview writes nothing
// there), so a start after a crash has nothing to offer.
TEST_F(Preview, APreviewLeavesAFinishedRowFinishedOnScreenAndOnDisk)
{
    open();
    // The start's offer to restore comes first, as it does for a user: a
    // window manager may take a while to place the window.
    ASSERT_TRUE(waitFor([&] { return window->startSettled(); }));
    JobListKeeper& keeper = window->controller().jobListKeeper();
    ASSERT_TRUE(keeper.isKeeping());
    const int row = addRow(previewclips::transportStream(4), QStringLiteral("00:00:04"));
    jobs().setStatus(row, JobStatus::Finished); // as its conversion left it
    select(row);
    keeper.flush();
    const int writes = keeper.writeCount();
    const auto kept = [&] {
        keeper.flush();
        QFile file(keeper.path());
        const auto contents =
            JobListFile::decode(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
        return contents && contents->rows.size() == 1 ? jobStatusText(contents->rows.first())
                                                      : QString();
    };
    const QModelIndex cell = window->jobListModel()->index(row, JobListModel::kStatusColumn);
    QStringList seen;
    playWith({{[&] { return preview().shownSecond() >= 1; },
               [&] {
                   seen << cell.data().toString() << kept();
                   window->dispatch(QStringLiteral("pause"));
                   settle();
                   seen << cell.data().toString() << kept();
                   window->dispatch(QStringLiteral("stopplay"));
               }}});
    EXPECT_EQ(seen, (QStringList{"Play", "Finish", "Pause", "Finish"}));
    EXPECT_EQ(cell.data().toString(), QStringLiteral("Finish"));
    EXPECT_EQ(kept(), QStringLiteral("Finish"));
    EXPECT_EQ(keeper.writeCount(), writes) << "the preview reached the kept list";

    // The window dies without a close; the next start finds nothing left
    // unfinished.
    window.reset();
    open();
    ASSERT_TRUE(waitFor([&] { return window->startSettled(); }));
    EXPECT_TRUE(interaction.questions.isEmpty()) << interaction.questions.join(' ').toStdString();
    EXPECT_EQ(jobs().rowCount(), 0);
}

// While a preview plays, the other actions refuse with their messages, a
// second play starts nothing, and the window stays open.
TEST_F(Preview, BusyGuardsWhilePlaying)
{
    open();
    const int row = addRow(previewclips::transportStream(8), QStringLiteral("00:00:08"));
    select(row);
    playWith({{[&] { return preview().shownSecond() >= 1; },
               [&] {
                   for (const char* name : {"converter", "remove", "clear", "cutter", "chapter"})
                       window->dispatch(QString::fromLatin1(name));
                   window->dispatch(QStringLiteral("play"));
                   settle();
                   EXPECT_FALSE(window->close());
                   EXPECT_TRUE(window->isVisible());
                   EXPECT_EQ(jobs().rowCount(), 1);
                   window->dispatch(QStringLiteral("stopplay"));
               }}});
    EXPECT_EQ(interaction.warnings, QStringList(5, QStringLiteral("Please first stop play!")));
    EXPECT_EQ(interaction.informations, QStringList{QStringLiteral("Please first stop play!")});

    interaction.warnings.clear();
    settle();
    window->controller().busy().setConverting(true);
    window->dispatch(QStringLiteral("play"));
    EXPECT_EQ(interaction.warnings, QStringList{QStringLiteral("Please first stop convert!")});
    EXPECT_EQ(status(row), QStringLiteral("Status"));
    window->controller().busy().setConverting(false);

    // No selected row: nothing at all.
    jobs().clearSelection();
    interaction.warnings.clear();
    window->dispatch(QStringLiteral("play"));
    EXPECT_TRUE(interaction.warnings.isEmpty());
    EXPECT_FALSE(window->controller().busy().isPlaying());
}

TEST_F(Preview, DvdActionsRefuseWhilePlaying)
{
    open(QStringLiteral("transcast-dvd"));
    // A DVD row plays through its locator; a file row's path stands in for
    // it until the disc reader serves titles.
    const QString clip = previewclips::transportStream(8);
    preview().setLocatorSource([clip](int) { return clip; });
    const int row = addRow(clip, QStringLiteral("00:00:08"));
    select(row);
    playWith({{[&] { return preview().shownSecond() >= 1; },
               [&] {
                   EXPECT_EQ(status(row), QStringLiteral("Ready"))
                       << "a DVD row keeps its status while it plays";
                   window->dispatch(QStringLiteral("dvdopen"));
                   window->dispatch(QStringLiteral("ifoopen"));
                   window->dispatch(QStringLiteral("pause"));
                   settle();
                   EXPECT_EQ(status(row), QStringLiteral("Pause"));
                   window->dispatch(QStringLiteral("stopplay"));
               }}});
    EXPECT_EQ(interaction.warnings, QStringList(2, QStringLiteral("Please first stop play!")));
    EXPECT_FALSE(preview().isPaused());
    EXPECT_EQ(status(row), QStringLiteral("Ready")) << "a paused preview left its status behind";
    EXPECT_EQ(timeText(), QStringLiteral("00:00:00"));
}

// A title row of the authored test disc plays its locator through the
// player's "vts" protocol, read sector by sector from the disc folder, with the row's audio
// track; the row keeps "Ready". The disc's still picture shows first.
TEST_F(Preview, DvdRowPlaysItsLocatorAndKeepsReady)
{
    open(QStringLiteral("transcast-dvd"));
    const int row = addDiscTitleRow(0, 0x81, QStringLiteral("00:00:12"));
    const previewclips::DiscTitle title = previewclips::discTitle(1, 0);
    // The window plays the locator the row's conversion reads.
    EXPECT_TRUE(preview().locatorOf(row).startsWith(
        QStringLiteral("vts://01*%1*%2*0x81*0*/").arg(title.startPos).arg(title.endPos)))
        << preview().locatorOf(row).toStdString();
    select(row);
    PreviewBinding& binding = window->previewBinding();
    ASSERT_TRUE(waitFor([&] { return !binding.screen()->still().isNull(); }));
    EXPECT_EQ(binding.stillSource(), preview().locatorOf(row));

    QString audio;
    playWith({{[&] { return preview().shownSecond() >= 1; },
               [&] {
                   EXPECT_EQ(status(row), QStringLiteral("Ready"));
                   audio = player().propertyText(QStringLiteral("current-tracks/audio/src-id"));
                   window->dispatch(QStringLiteral("stopplay"));
               }}});
    EXPECT_EQ(audio, QStringLiteral("129")) << "the row's audio id 0x81";
    EXPECT_EQ(status(row), QStringLiteral("Ready"));
    EXPECT_TRUE(interaction.errors.isEmpty()) << interaction.errors.join(' ').toStdString();
    EXPECT_EQ(timeText(), QStringLiteral("00:00:00"));
}

// The chosen subtitle shows over the preview as the conversion burns it in
// (the disc's white box, low in the first seconds); none chosen, none shows.
TEST_F(Preview, DvdRowShowsItsChosenSubtitle)
{
    open(QStringLiteral("transcast-dvd"));
    QWidget* panel = window->previewPanel();
    for (const int subtitle : {0x20, DvdRowInfo::kNoStream}) {
        SCOPED_TRACE(subtitle);
        settle();
        jobs().clear();
        const int row = addDiscTitleRow(0, 0x80, QStringLiteral("00:00:12"), subtitle);
        select(row);
        int mostWhite = 0;
        playWith({{[&] {
                       if (preview().awaitingStart())
                           return false;
                       const QImage shown = panel->grab().toImage();
                       int white = 0;
                       for (int y = shown.height() / 2; y < shown.height(); ++y) {
                           for (int x = 0; x < shown.width(); ++x) {
                               const QColor c = shown.pixelColor(x, y);
                               white += c.red() > 200 && c.green() > 200 && c.blue() > 200;
                           }
                       }
                       mostWhite = qMax(mostWhite, white);
                       return preview().shownSecond() >= 2;
                   },
                   [&] { window->dispatch(QStringLiteral("stopplay")); }}});
        // The box covers a seventh of the picture's height and half its
        // width: hundreds of pixels in the panel.
        if (subtitle == DvdRowInfo::kNoStream)
            EXPECT_LT(mostWhite, 20);
        else
            EXPECT_GT(mostWhite, 300);
    }
}

// The first title of the test disc has three cells of 4 s, and each starts
// its clock again at zero. The time and the bar still rise, never back, to
// the title's 12 s, where endTimer ends the preview.
TEST_F(Preview, DvdTitleTimeRunsOverAllItsCells)
{
    open(QStringLiteral("transcast-dvd"));
    const int row = addDiscTitleRow(0, 0x80, QStringLiteral("00:00:12"));
    select(row);
    QList<int> bars;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (window->controller().busy().isPlaying() && (bars.isEmpty() || bars.last() != bar()))
            bars << bar();
    });
    watch.start(5);
    playWith({}, 40000);
    watch.stop();
    const QString shown = timesShown.join(QLatin1Char(' '));
    ASSERT_GE(timesShown.size(), 2) << shown.toStdString();
    EXPECT_EQ(timesShown.last(), QStringLiteral("00:00:00")) << "the display went back to rest";
    for (int i = 1; i + 1 < timesShown.size(); ++i)
        EXPECT_GT(timesShown[i], timesShown[i - 1]) << shown.toStdString();
    EXPECT_EQ(timesShown[timesShown.size() - 2], QStringLiteral("00:00:12")) << shown.toStdString();
    EXPECT_EQ(preview().shownSecond(), 12);
    for (int i = 1; i < bars.size(); ++i)
        EXPECT_GE(bars[i], bars[i - 1]);
    EXPECT_TRUE(bars.contains(10000)) << "the bar reached the title's end";
    EXPECT_TRUE(interaction.errors.isEmpty()) << interaction.errors.join(' ').toStdString();
}

// Space as in media players: play the selected row, then pause and resume
// it, wherever the focus is, but in the output text box it types a blank.
TEST_F(Preview, SpacePlaysAndPausesExceptInTheOutputTextBox)
{
    open();
    const int row = addRow(previewclips::transportStream(8), QStringLiteral("00:00:08"));
    select(row);
    window->activateWindow();
    window->jobList()->setFocus();
    playWith({{[&] { return preview().shownSecond() >= 1; },
               [&] {
                   QTest::keyClick(window->jobList(), Qt::Key_Space);
                   settle();
                   EXPECT_TRUE(preview().isPaused());
                   QTest::keyClick(window->sizeBox(), Qt::Key_Space);
                   settle();
                   EXPECT_FALSE(preview().isPaused());
                   const QString before = window->outputFolderEdit()->text();
                   window->outputFolderEdit()->setFocus();
                   window->outputFolderEdit()->end(false);
                   QTest::keyClick(window->outputFolderEdit(), Qt::Key_Space);
                   settle();
                   EXPECT_FALSE(preview().isPaused());
                   EXPECT_EQ(window->outputFolderEdit()->text(), before + QLatin1Char(' '));
                   window->dispatch(QStringLiteral("stopplay"));
               }}},
             20000, [&] { QTest::keyClick(window->jobList(), Qt::Key_Space); });
    EXPECT_EQ(status(row), QStringLiteral("Status"));
}

// A file that cannot be played: the clean-up runs and the user reads why.
TEST_F(Preview, UnplayableFileIsReportedAndCleanedUp)
{
    open();
    const QString missing = previewclips::folder().filePath(QStringLiteral("gone.ts"));
    const int row = addRow(missing, QStringLiteral("00:00:08"));
    select(row);
    playWith({});
    ASSERT_EQ(interaction.errors.size(), 1);
    EXPECT_TRUE(interaction.errors.first().contains(missing));
    EXPECT_EQ(status(row), QStringLiteral("Status"));
    EXPECT_FALSE(window->controller().busy().isPlaying());
}

// Nothing but the chosen file is opened. A text posing as a video names an
// address on this machine: the listing leaves it out, and where it stands in
// the list all the same (a kept list, a file changed since), neither its
// still picture nor its preview goes there, and the preview says clearly why
// it cannot play. One naming itself costs nothing once its row is left. A
// subtitle file beside a clip does not show up in the clip's preview.
TEST_F(Preview, NothingBesideTheChosenFileIsOpened)
{
    open();
    QTemporaryDir folder;
    LocalListener listener;
    const QString posing = folder.filePath(QStringLiteral("posing.avi"));
    const QString itself = folder.filePath(QStringLiteral("itself.avi"));
    const QString clip = folder.filePath(QStringLiteral("clip.avi"));
    writeText(posing, QStringLiteral("[playlist]\nFile1=http://127.0.0.1:%1/clip.avi\n"
                                     "NumberOfEntries=1\n")
                          .arg(listener.port())
                          .toUtf8());
    writeText(itself, "[playlist]\nFile1=" + itself.toUtf8() + "\nNumberOfEntries=1\n");
    ASSERT_TRUE(QFile::copy(previewclips::transportStream(3), clip));
    writeText(folder.filePath(QStringLiteral("clip.srt")),
              "1\n00:00:00,000 --> 00:00:05,000\nA line beside the clip\n");
    window->openSources({posing, itself, clip});
    ASSERT_TRUE(waitFor([&] { return jobs().rowCount() == 1; }, 30000));
    settle();
    ASSERT_EQ(jobs().rowCount(), 1) << "a text was listed as a video";
    const int posingRow = addRow(posing, QStringLiteral("00:00:00"));
    const int itselfRow = addRow(itself, QStringLiteral("00:00:00"));
    PreviewBinding& binding = window->previewBinding();
    auto stillSettled = [&] { return binding.grabber().pending().isEmpty(); };

    select(posingRow);
    waitFor(stillSettled, 5000);
    EXPECT_EQ(listener.connections(), 0) << "the still picture went to the address";
    select(itselfRow);
    ASSERT_TRUE(waitFor(stillSettled));
    select(0);
    ASSERT_TRUE(waitFor([&] { return binding.stillSource() == clip; }));
    const double before = cpuSeconds();
    QTest::qWait(1500);
    EXPECT_LT(cpuSeconds() - before, 0.3) << "something kept working after its row was left";

    select(posingRow);
    playWith({});
    ASSERT_EQ(interaction.errors.size(), 1);
    EXPECT_TRUE(interaction.errors.first().contains(posing));
    EXPECT_TRUE(interaction.errors.first().contains(QStringLiteral("no picture or sound")))
        << interaction.errors.first().toStdString();

    select(0);
    QString tracks;
    playWith({{[&] { return preview().shownSecond() >= 1; },
               [&] {
                   tracks = player().propertyText(QStringLiteral("track-list/count"));
                   window->dispatch(QStringLiteral("stopplay"));
               }}});
    EXPECT_EQ(tracks, QStringLiteral("2")) << "only the clip's picture and sound";
    EXPECT_EQ(listener.connections(), 0) << "the preview went to the address";
}

// A preview that cannot start says why once and changes nothing: the row's
// status, the time and the still picture stay as they were.
TEST_F(Preview, StartThatFailsLeavesTheWindowAsItWas)
{
    open();
    const QString red = previewclips::colourClip(QStringLiteral("red"));
    const int row = addRow(red, QStringLiteral("00:00:01"));
    select(row);
    PreviewBinding& binding = window->previewBinding();
    ASSERT_TRUE(waitFor([&] { return binding.stillSource() == red; }));
    const QString listed = status(row);
    player().setOption(QStringLiteral("transcast-no-such-option"), QStringLiteral("1"));
    window->dispatch(QStringLiteral("play"));
    settle();
    EXPECT_EQ(interaction.errors.size(), 1);
    EXPECT_FALSE(window->controller().busy().isPlaying());
    EXPECT_EQ(status(row), listed);
    EXPECT_EQ(binding.stillSource(), red);
    EXPECT_FALSE(binding.screen()->still().isNull());
}

// Convert looks unable while a preview plays and able again the moment it
// ends. A panel grown out of the picture's shape shows the picture at its
// own shape, as large as fits, with black bars beside it.
TEST_F(Preview, ConvertLookFollowsThePreviewAndThePictureKeepsItsShape)
{
    open();
    QWidget* panel = window->previewPanel();
    const QSize small = panel->size();
    window->resize(window->width() + 200, window->height() + 200);
    ASSERT_TRUE(waitFor([&] { return panel->size() != small; }));
    const qreal ratio = panel->grab().devicePixelRatio();
    const QSizeF area = QSizeF(panel->size()) * ratio;
    const QSizeF fitted = QSizeF(64, 48).scaled(area, Qt::KeepAspectRatio);
    ASSERT_GT(std::abs(area.width() / area.height() - 64.0 / 48.0), 0.1)
        << "the panel kept the picture's shape";
    const int row = addRow(previewclips::colourClip(QStringLiteral("red")), "00:00:01");
    select(row);
    QWidget* convert = window->skin().object(QStringLiteral("converter"));
    bool lookedUnable = false;
    QRect red;
    playWith({{[&] { return preview().shownSecond() >= 0 && !preview().awaitingStart(); },
               [&] {
                   lookedUnable = convert->property("inactive").toBool();
                   QTest::qWait(100);
                   const QImage shown = panel->grab().toImage();
                   for (int y = 0; y < shown.height(); ++y) {
                       for (int x = 0; x < shown.width(); ++x) {
                           const QColor c = shown.pixelColor(x, y);
                           if (c.red() > 200 && c.green() < 60)
                               red |= QRect(x, y, 1, 1);
                       }
                   }
               }}});
    EXPECT_TRUE(lookedUnable);
    EXPECT_FALSE(convert->property("inactive").toBool()) << "Convert still looks unable";
    ASSERT_FALSE(red.isEmpty());
    EXPECT_NEAR(red.width(), fitted.width(), 2);
    EXPECT_NEAR(red.height(), fitted.height(), 2);
    EXPECT_NEAR(red.center().x(), area.width() / 2, 2);
    EXPECT_NEAR(red.center().y(), area.height() / 2, 2);
}

// The selected row's first frame stands in the panel while nothing plays.
TEST_F(Preview, StillPictureOfTheSelectedRow)
{
    open();
    PreviewBinding& binding = window->previewBinding();
    const QString red = previewclips::colourClip(QStringLiteral("red"));
    const QString clip = previewclips::transportStream(8);
    const int redRow = addRow(red, QStringLiteral("00:00:01"));
    const int clipRow = addRow(clip, QStringLiteral("00:00:08"));
    EXPECT_TRUE(binding.screen()->still().isNull());
    select(redRow);
    ASSERT_TRUE(waitFor([&] { return binding.stillSource() == red; }));
    EXPECT_FALSE(binding.screen()->still().isNull());
    const QImage shown = binding.screen()->widget()->grab().toImage();
    ASSERT_FALSE(shown.isNull());
    const QColor middle = shown.pixelColor(shown.width() / 2, shown.height() / 2);
    EXPECT_GT(middle.red(), 200);
    EXPECT_LT(middle.green(), 60);

    // A click in the list selects through the view.
    const QRect second = window->jobList()->visualRect(window->jobListModel()->index(clipRow, 0));
    QTest::mouseClick(window->jobList()->viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_TRUE(waitFor([&] { return binding.stillSource() == clip; }));

    playWith({{[&] { return preview().shownSecond() >= 1; },
               [&] {
                   EXPECT_TRUE(binding.screen()->still().isNull());
                   window->dispatch(QStringLiteral("stopplay"));
               }}});
    ASSERT_TRUE(waitFor([&] { return !binding.screen()->still().isNull(); }));

    jobs().clearSelection();
    EXPECT_TRUE(binding.screen()->still().isNull());
}

} // namespace
