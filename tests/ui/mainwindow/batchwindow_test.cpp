// The window around a batch: conversions at once from the settings, the
// batch's line and summary, the running row in view, statuses of an earlier
// batch, the notice at the end and the shutdown's countdown.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QComboBox>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>

#include "common/inifile.h"
#include "e2e/encoder/clips.h"
#include "sources/sourcelist.h"
#include "support/finishadd.h"
#include "ui/batchstatusline.h"
#include "ui/countdownshell.h"
#include "ui/desktopnotice.h"
#include "ui/joblistmodel.h"
#include "ui/settingsdialog.h"
#include "windowfixture.h"

using namespace transcast;

namespace
{

// The desktop's notification service as far as a notice needs it: it owns
// org.freedesktop.Notifications on the bus it is given and keeps what it
// is sent.
class NotificationListener : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList received; // "application|summary|body"
public slots:
    uint Notify(const QString& application, uint, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int)
    {
        received << application + QLatin1Char('|') + summary + QLatin1Char('|') + body;
        return static_cast<uint>(received.size());
    }
};

class BatchWindow : public WindowFixture
{
protected:
    QString clip(const QString& name, double seconds = 1)
    {
        const QString path = mediaDir.filePath(name);
        EXPECT_TRUE(testclips::makeClip(
            path, testclips::pictureSource(seconds) + testclips::toneSource(seconds),
            {"-c:v", "mpeg4", "-c:a", "libmp3lame", "-shortest"}));
        return path;
    }

    void select(int profile)
    {
        window->controller().profile().picker().selectSubIndex = profile;
        window->controller().profile().selectProfile(profile);
    }

    JobList& jobs() { return window->controller().jobs(); }
    QString statusLine() { return window->batchStatus()->text(); }

    bool convertAll()
    {
        window->dispatch(QStringLiteral("converter"));
        return waitFor([this] { return !window->controller().busy().isConverting(); }, 120000);
    }
};

} // namespace

// Convert refuses until an add has listed every file; the button and its
// menu item say so from the add's start to its end, following the source
// list's signals with no refresh by hand.
TEST_F(BatchWindow, ConvertLooksUnableUntilTheAddHasListedEveryFile)
{
    open();
    select(118);
    const auto unable = [this] {
        return window->skin().object(QStringLiteral("converter"))->property("inactive").toBool();
    };
    QList<bool> unableAtRows;
    QObject::connect(&jobs(), &JobList::rowAppended, window.get(), [&] {
        if (window->controller().sources().isAdding())
            unableAtRows << unable();
    });
    // One probe at a time, so that the first row comes while the second
    // file is still being probed.
    window->controller().sources().setProbeWidth(1);
    window->controller().openSources(
        {clip(QStringLiteral("a.avi")), clip(QStringLiteral("b.avi"))});
    EXPECT_TRUE(unable());
    ASSERT_TRUE(transcast::testing::finishAdd(window->controller().sources()));
    ASSERT_EQ(jobs().rowCount(), 2);
    EXPECT_FALSE(unableAtRows.isEmpty());
    EXPECT_FALSE(unableAtRows.contains(false));
    EXPECT_FALSE(unable());
}

TEST_F(BatchWindow, ConversionsAtOnceAreChosenInTheSettingsKeptAtOnceAndUsed)
{
    if (Preferences::maxConversionsAtOnce() < 2)
        GTEST_SKIP() << "one core: nothing converts side by side";
    open();
    EXPECT_EQ(window->controller().preferences().conversionsAtOnce(), 1);
    QSpinBox* box = window->settingsDialog()->conversionsBox();
    EXPECT_EQ(box->maximum(), Preferences::maxConversionsAtOnce());
    EXPECT_EQ(box->minimum(), 1);
    QTimer::singleShot(50, [&] {
        box->setValue(2);
        window->settingsDialog()->cancelButton()->click();
    });
    window->dispatch(QStringLiteral("settings"));
    EXPECT_EQ(window->controller().preferences().conversionsAtOnce(), 1);
    QTimer::singleShot(50, [&] {
        EXPECT_EQ(box->value(), 1);
        box->setValue(2);
        window->settingsDialog()->okButton()->click();
    });
    window->dispatch(QStringLiteral("settings"));
    EXPECT_EQ(window->controller().preferences().conversionsAtOnce(), 2);
    // In the settings file already, not only at the close.
    const IniFile settings(window->controller().settings().settingsPath());
    EXPECT_EQ(settings.readInteger(QStringLiteral("batch"), QStringLiteral("conversionsAtOnce"), 0),
              2);

    window->controller().sources().addChosenFiles({clip("one.avi", 8), clip("two.avi", 8)});
    transcast::testing::finishAdd(window->controller().sources());
    select(118);
    bool together = false;
    QObject::connect(&jobs(), &JobList::rowChanged, window.get(), [&] {
        together = together || (jobs().row(0).status == JobStatus::Converting &&
                                jobs().row(1).status == JobStatus::Converting);
    });
    ASSERT_TRUE(convertAll());
    EXPECT_TRUE(together);
    EXPECT_EQ(jobs().row(0).status, JobStatus::Finished);
    EXPECT_EQ(jobs().row(1).status, JobStatus::Finished);
}

// The picture's handling chosen in the settings is in the settings file at
// once, read back at the next start, and handed to each job's encoder.
TEST_F(BatchWindow, ThePicturesHandlingIsKeptAndReachesTheEncoder)
{
    open();
    SettingsDialog* dialog = window->settingsDialog();
    QTimer::singleShot(50, [&] {
        EXPECT_EQ(dialog->deinterlaceBox()->currentText(), "automatic");
        dialog->deinterlaceBox()->setCurrentIndex(2);
        dialog->frameRateBox()->setCurrentIndex(1);
        dialog->okButton()->click();
    });
    window->dispatch(QStringLiteral("settings"));
    const IniFile settings(window->controller().settings().settingsPath());
    EXPECT_EQ(settings.readString(QStringLiteral("picture"), QStringLiteral("deinterlace")),
              "never");
    closeWindow();
    open();
    window->controller().sources().addChosenFiles({clip("one.avi")});
    transcast::testing::finishAdd(window->controller().sources());
    select(118);
    const QStringList environment =
        window->controller().jobBuilder().fileJob(0, false).encoderEnvironment;
    EXPECT_TRUE(environment.contains("TRANSCAST_DEINTERLACE=never") &&
                environment.contains("TRANSCAST_FRAME_RATE=source") &&
                environment.contains("TRANSCAST_CROP=off"))
        << environment.join(' ').toStdString();
}

TEST_F(BatchWindow, TheLineFollowsTheBatchTheRunningRowStaysInViewEarlierStatusesFade)
{
    open();
    select(118);
    // Rows whose source is gone fail at once; the last converts.
    SourceList& sources = window->controller().sources();
    ProbeResult gone;
    gone.overallKbps = 500;
    gone.durationMs = 1000;
    for (int n = 0; n < 23; ++n)
        sources.addProbedFile(mediaDir.filePath(QStringLiteral("gone%1.avi").arg(n)), gone);
    sources.addChosenFiles({clip("last.avi")});
    transcast::testing::finishAdd(sources);
    ASSERT_EQ(jobs().rowCount(), 24);

    QTableView* list = window->jobList();
    int outOfView = 0;
    QStringList lines;
    QObject::connect(&window->controller().batch(), &Batch::jobStarted, window.get(), [&](int row) {
        const QRect cell = list->visualRect(list->model()->index(row, 0));
        if (!list->viewport()->rect().contains(cell))
            ++outOfView;
        lines << statusLine();
    });
    ASSERT_TRUE(convertAll());
    EXPECT_EQ(outOfView, 0);
    EXPECT_GT(list->verticalScrollBar()->value(), 0);
    const QRegularExpression line(QStringLiteral(
        "^Converting (\\d+) of 24 \u00b7 \\d\\d:\\d\\d:\\d\\d elapsed \u00b7 (estimating\u2026|"
        "about \\d\\d:\\d\\d:\\d\\d left)$"));
    ASSERT_EQ(lines.size(), 24);
    for (int row = 0; row < 24; ++row) {
        const QRegularExpressionMatch match = line.match(lines[row]);
        ASSERT_TRUE(match.hasMatch()) << lines[row].toStdString();
        EXPECT_EQ(match.captured(1).toInt(), row + 1);
    }
    EXPECT_TRUE(statusLine().startsWith(QStringLiteral("1 converted, 23 failed in 00:")))
        << statusLine().toStdString();
    EXPECT_TRUE(statusLine().contains(QStringLiteral(" \u00b7 failed: gone0, gone1, ")));
    EXPECT_TRUE(window->batchStatus()->label()->isVisible());

    // A second batch stopped at its first row: the other rows still show
    // what the first batch left, and say so. The row it takes shows its
    // percentage at once, not its earlier "Failed" and why.
    const QAbstractItemModel* model = list->model();
    const auto status = [&](int row) { return model->index(row, JobListModel::kStatusColumn); };
    window->dispatch(QStringLiteral("converter"));
    EXPECT_EQ(model->data(status(0)).toString(), QStringLiteral("00.00%"));
    EXPECT_FALSE(model->data(status(0), Qt::ForegroundRole).isValid());
    EXPECT_EQ(model->data(status(0), Qt::ToolTipRole).toString(), jobs().row(0).source.filePath);
    window->dispatch(QStringLiteral("stopconverter"));
    ASSERT_TRUE(waitFor([&] { return !window->controller().batch().encodersRunning(); }));
    EXPECT_EQ(model->data(status(0)).toString(), QStringLiteral("Stop"));
    EXPECT_FALSE(model->data(status(0), Qt::ForegroundRole).isValid());
    for (const int row : {1, 23}) {
        EXPECT_TRUE(jobs().row(row).earlierBatch) << row;
        EXPECT_TRUE(model->data(status(row), Qt::ForegroundRole).isValid()) << row;
        EXPECT_EQ(model->data(status(row), Qt::ToolTipRole).toString(),
                  JobListModel::kEarlierBatchTip);
    }
    EXPECT_EQ(model->data(status(23)).toString(), QStringLiteral("Finish"));
    EXPECT_TRUE(statusLine().startsWith(QStringLiteral("0 converted, 0 failed, 1 stopped in ")));
}

TEST_F(BatchWindow, ANoticeGoesOutWhenTheBatchEndsWhileTheWindowIsNotActive)
{
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {"--session", "--nofork", "--nosyslog", "--print-address=1"});
    ASSERT_TRUE(daemon.waitForReadyRead(10000)) << "dbus-daemon did not start";
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    ASSERT_FALSE(address.isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("listener"));
    NotificationListener listener;
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &listener,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));

    open();
    select(118);
    window->controller().sources().addChosenFiles({clip("one.avi")});
    transcast::testing::finishAdd(window->controller().sources());
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_FALSE(window->isActiveWindow());
    ASSERT_TRUE(convertAll());
    ASSERT_TRUE(waitFor([&] { return !listener.received.isEmpty(); }, 10000));
    ASSERT_EQ(listener.received.size(), 1);
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("^transcast\\|Conversions done\\|1 converted, 0 failed in "
                                   "00:00:\\d\\d$"))
                    .match(listener.received[0])
                    .hasMatch())
        << listener.received[0].toStdString();

    // Nothing while the user looks at the window.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(convertAll());
    QTest::qWait(500);
    EXPECT_EQ(listener.received.size(), 1);

    // Nothing, and nothing said, when no service runs or there is no bus.
    bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    bool answered = false;
    bool shown = true;
    QObject::connect(window->notice(), &DesktopNotice::answered, window.get(), [&](bool ok) {
        answered = true;
        shown = ok;
    });
    ASSERT_TRUE(convertAll());
    ASSERT_TRUE(waitFor([&] { return answered; }, 10000));
    EXPECT_FALSE(shown);
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", mediaDir.path().toUtf8()); // holds no bus socket
    EXPECT_FALSE(window->notice()->send("transcast", "Conversions done", "-"));
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    EXPECT_FALSE(window->notice()->send("transcast", "Conversions done", "-"));
    qputenv("XDG_RUNTIME_DIR", runtime);
    EXPECT_EQ(listener.received.size(), 1);
    EXPECT_TRUE(interaction.errors.isEmpty());
    EXPECT_TRUE(interaction.warnings.isEmpty());
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QDBusConnection::disconnectFromBus(QStringLiteral("listener"));
    daemon.kill();
    daemon.waitForFinished();
}

TEST_F(BatchWindow, AShutdownCountsDownAMinuteAndCancelLeavesTheShellAlone)
{
    open();
    select(118);
    window->controller().preferences().setFinishAction(2);
    window->controller().sources().addChosenFiles({clip("one.avi")});
    transcast::testing::finishAdd(window->controller().sources());
    ASSERT_TRUE(convertAll());
    EXPECT_EQ(shell.shutdowns, 0) << "shut down without a countdown";
    QPointer<ShutdownCountdown> countdown = window->countdownShell().countdown();
    ASSERT_TRUE(countdown);
    EXPECT_TRUE(countdown->isVisible());
    EXPECT_EQ(countdown->secondsLeft(), 60);
    countdown->tick();
    EXPECT_TRUE(countdown->message()->text().contains(QStringLiteral("in 59 seconds")));
    countdown->cancelButton()->click();
    ASSERT_TRUE(waitFor([&] { return countdown.isNull(); }, 5000));
    QTest::qWait(1500); // a tick would have come by now
    EXPECT_EQ(shell.shutdowns, 0);

    // Left to run out, it shuts down, once.
    ASSERT_TRUE(convertAll());
    countdown = window->countdownShell().countdown();
    ASSERT_TRUE(countdown);
    for (int second = 0; second < 60; ++second)
        countdown->tick();
    EXPECT_EQ(shell.shutdowns, 1);
    ASSERT_TRUE(waitFor([&] { return countdown.isNull(); }, 5000));
}

#include "batchwindow_test.moc"
