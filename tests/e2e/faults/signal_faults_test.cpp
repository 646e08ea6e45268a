// Ends the user did not choose from the window: a logout or shutdown
// (SIGTERM), a closed terminal (SIGHUP), and a Stop that must not freeze the
// window while the encoder closes its file.
#include <csignal>
#include <cstring>
#include <string>

#include <QTest>

#include "common/inifile.h"
#include "control/joblistkeeper.h"
#include "control/jobstatustext.h"
#include "sources/joblistfile.h"
#include "sources/jobrow.h"
#include "faultfixture.h"
#include "support/finishadd.h"

namespace faults
{
namespace
{

class SignalFaults : public FaultFixture
{
protected:
    // What a partial output holds once a few seconds of it are written: a
    // signal before then would leave nothing to play.
    static constexpr qint64 kSomeSeconds = 100 * 1024;

    QStringList convert(const QStringList& files) const
    {
        return QStringList{"convert", "--profile", "122", "--output", outputs} + files;
    }
};

TEST_F(SignalFaults, TermOrHangUpStopsTheCliAsStopDoes)
{
    const QString first = clip(QStringLiteral("first.avi"));
    const QString longer = clip(QStringLiteral("long.avi"), 30);
    const Snapshot library = snapshot(sources);
    const QString partial = outputs + QStringLiteral("/long.mp4");

    for (const int signalNumber : {SIGTERM, SIGHUP}) {
        QDir(outputs).removeRecursively();
        QProcess process;
        startCli(process, convert({first, longer}));
        ASSERT_TRUE(waitUntil([&] { return QFileInfo(partial).size() > kSomeSeconds; }));
        ::kill(static_cast<pid_t>(process.processId()), signalNumber);
        ASSERT_TRUE(process.waitForFinished(30000));

        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << signalNumber;
        EXPECT_EQ(process.exitCode(), 128 + signalNumber) << err.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("[2/2] long: Stop\n"))) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("1 finished, 0 failed, 1 stopped")));
        EXPECT_TRUE(err.contains(signalNumber == SIGTERM ? QStringLiteral("SIGTERM")
                                                         : QStringLiteral("SIGHUP")))
            << err.toStdString();
        // Closed as a stop closes it: it plays.
        EXPECT_GT(secondsIn(partial), 0) << signalNumber;
        EXPECT_TRUE(nothingLeftRunning());
    }
    EXPECT_TRUE(kept(library, snapshot(sources)));
}

// A job stopped before its encoder wrote a byte: the name it took when it
// started is given back, no empty file left under it; an earlier output
// beside it stays as it was.
TEST_F(SignalFaults, AJobStoppedBeforeItWroteLeavesNoEmptyFile)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    writeFile(outputs + QStringLiteral("/clip.mp4"), "an earlier output");
    const Snapshot earlier = snapshot(outputs);
    // ffmpeg slow to start, as on a loaded machine.
    const QString slowFfmpeg = work.filePath(QStringLiteral("slow-ffmpeg"));
    writeFile(slowFfmpeg, "#!/bin/sh\nsleep 3\nexec ffmpeg \"$@\"\n");
    QFile::setPermissions(slowFfmpeg, QFile::permissions(slowFfmpeg) | QFileDevice::ExeOwner);
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("TRANSCAST_FFMPEG"), slowFfmpeg);

    QProcess process;
    startCli(process, convert({source}), false, env);
    ASSERT_GT(waitForProcess({slowFfmpeg}), 0);
    EXPECT_EQ(QFileInfo(outputs + QStringLiteral("/clip_1.mp4")).size(), 0) << "the name is taken";
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 128 + SIGTERM) << process.readAll().toStdString();
    EXPECT_EQ(snapshot(outputs), earlier);
    EXPECT_TRUE(nothingLeftRunning());
}

TEST_F(SignalFaults, TermStopsTheWindowsJobSavesItsSettingsAndCloses)
{
    const QString first = clip(QStringLiteral("first.avi"));
    const QString longer = clip(QStringLiteral("long.avi"), 30);
    const QString settings = config + QStringLiteral("/transcast.ini");
    writeFile(settings,
              "[profiles]\r\nselcetsubindex=122\r\n[output]\r\npath=" + outputs.toUtf8() + "/\r\n");
    const Snapshot library = snapshot(sources);

    QProcess window;
    startWindow(window, {first, longer});
    const QString partial = outputs + QStringLiteral("/long.mp4");
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(partial).size() > kSomeSeconds; }))
        << "the window never started converting the second file";
    ::kill(static_cast<pid_t>(window.processId()), SIGTERM);
    ASSERT_TRUE(window.waitForFinished(30000));

    EXPECT_EQ(window.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(window.exitCode(), 128 + SIGTERM);
    EXPECT_GT(secondsIn(partial), 0) << "the stopped job's file was not closed";
    // Saved as a normal close saves: values only the close writes are there.
    const transcast::IniFile saved(settings);
    EXPECT_EQ(saved.readString(QStringLiteral("profiles"), QStringLiteral("FinishSelcet")),
              QStringLiteral("0"));
    EXPECT_EQ(saved.readString(QStringLiteral("output"), QStringLiteral("path")), outputs + '/');
    // Closed as a user closes it: no list is left for the next start to offer.
    EXPECT_FALSE(QFile::exists(config + QStringLiteral("/transcast-joblist.json")));
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

// A signal while a question is open ends the real program as a close does,
// within moments, and leaves the kept list byte for byte for the next start:
// at the start (whether to restore the list of a window that died, a warning
// that the settings cannot be saved) and later (whether to clear the list).
// The open box is found on the X server by its title (tests/xvfb/xserver.sh).
TEST_F(SignalFaults, ASignalWhileAQuestionIsOpenEndsTheProgramAndKeepsTheList)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "needs an X server (tests/xvfb/xserver.sh)";
    const QString source = clip(QStringLiteral("clip.avi"));
    const QString folder = home + QStringLiteral("/.config/transcast");
    const QString list = folder + QStringLiteral("/transcast-joblist.json");
    const QString settings = folder + QStringLiteral("/transcast.ini");
    transcast::JobRow row;
    row.caption = QStringLiteral("clip");
    row.source.filePath = source;
    const QByteArray leftByADeadWindow =
        transcast::JobListFile::encode({}, {transcast::JobListFile::encodeRow(row)});
    writeFile(settings, "[profiles]\r\nselcetsubindex=122\r\n");
    // The visible windows of that title.
    const auto windows = [](const char* title) {
        QProcess search;
        search.start(QStringLiteral("xdotool"),
                     {"search", "--onlyvisible", "--name", QStringLiteral("^%1$").arg(title)});
        search.waitForFinished(5000);
        return QString::fromUtf8(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    };
    enum class Asks { AtTheStart, WithSettingsReadOnly, ToClearTheList };
    struct Case {
        Asks asks;
        int signalNumber;
    };
    // The read-only settings come last: they stay so.
    const Case cases[] = {{Asks::AtTheStart, SIGTERM},
                          {Asks::AtTheStart, SIGHUP},
                          {Asks::ToClearTheList, SIGTERM},
                          {Asks::WithSettingsReadOnly, SIGTERM},
                          {Asks::WithSettingsReadOnly, SIGINT}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.asks)) + " " + strsignal(c.signalNumber));
        const bool running = c.asks == Asks::ToClearTheList;
        QFile::remove(list);
        if (!running)
            writeFile(list, leftByADeadWindow);
        if (c.asks == Asks::WithSettingsReadOnly && QFileInfo(settings).isWritable()) {
            std::string why;
            if (!makeReadOnly(settings, why))
                GTEST_SKIP() << why;
        }
        QProcess program;
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(env);
        program.start(binDir() + QStringLiteral("/transcast"),
                      running ? QStringList{source} : QStringList{});
        if (running) {
            // Listed and kept (no write waiting: the file stays the same
            // for longer than the keeper waits), then asked by the list's
            // Clear key.
            QByteArray seen;
            ASSERT_TRUE(waitUntil(
                [&] {
                    const QByteArray now = readFile(list);
                    const bool settled = !now.isEmpty() && now == seen;
                    seen = now;
                    QThread::msleep(2 * transcast::JobListKeeper::kDelayMs);
                    return settled;
                },
                30000));
            ASSERT_TRUE(waitUntil([&] { return windows("transcast").size() == 1; }, 10000));
            const QString window = windows("transcast").first();
            QProcess::execute(QStringLiteral("xdotool"),
                              {"mousemove", "--window", window, "300", "300"});
            QProcess::execute(QStringLiteral("xdotool"), {"windowfocus", window});
            QProcess::execute(QStringLiteral("xdotool"), {"key", "ctrl+shift+Delete"});
        }
        const char* box = c.asks == Asks::WithSettingsReadOnly ? "Warning" : "Confirm";
        ASSERT_TRUE(waitUntil([&] { return !windows(box).isEmpty(); }, 30000)) << "no " << box;
        const QByteArray kept = readFile(list);
        ASSERT_FALSE(kept.isEmpty());
        ::kill(static_cast<pid_t>(program.processId()), c.signalNumber);
        const bool ended = program.waitForFinished(5000);
        if (!ended) {
            program.kill();
            program.waitForFinished(5000);
        }
        EXPECT_TRUE(ended) << "still running 5 s after the signal";
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 128 + c.signalNumber);
        EXPECT_EQ(readFile(list), kept);
        EXPECT_FALSE(QFile::exists(list + QStringLiteral(".lock")));
        // Saved as a close saves, where it can be.
        if (c.asks != Asks::WithSettingsReadOnly) {
            EXPECT_EQ(transcast::IniFile(settings).readString(QStringLiteral("profiles"),
                                                              QStringLiteral("FinishSelcet")),
                      QStringLiteral("0"));
        }
    }
    EXPECT_TRUE(nothingLeftRunning());
}

// Stop answers at once: the row reads "Stop" and the Stop button looks
// unable while the encoder is still closing its file; the batch ends (and
// the next can start) only once it has.
TEST_F(SignalFaults, StopAnswersAtOnceWhileTheEncoderClosesItsFile)
{
    const QString longer = clip(QStringLiteral("long.avi"), 30);
    const Snapshot library = snapshot(sources);
    auto window = openWindow(config);
    transcast::Controller& core = window->controller();
    ASSERT_TRUE(core.profile().selectProfile(122));
    core.sources().addChosenFiles({longer});
    transcast::testing::finishAdd(core.sources());
    ASSERT_EQ(core.jobs().rowCount(), 1);
    int ended = 0;
    QObject::connect(&core.batch(), &transcast::Batch::batchEnded, [&](bool stopped) {
        EXPECT_TRUE(stopped);
        ++ended;
    });

    window->dispatch(QStringLiteral("converter"));
    const QString partial = outputs + QStringLiteral("/long.mp4");
    const auto converting = [&] {
        QTest::qWait(20);
        // Under way: the encoder has reported progress (the row is
        // converting from its start, before anything is written).
        return QFileInfo(partial).size() > 0 &&
               core.jobs().row(0).status == transcast::JobStatus::Converting &&
               core.jobs().row(0).progress > 0;
    };
    ASSERT_TRUE(waitUntil(converting));
    window->dispatch(QStringLiteral("stopconverter"));

    EXPECT_EQ(transcast::jobStatusText(core.jobs().row(0)), QStringLiteral("Stop"));
    EXPECT_FALSE(core.busy().isConverting());
    EXPECT_TRUE(
        window->skin().object(QStringLiteral("stopconverter"))->property("inactive").toBool());
    EXPECT_TRUE(core.runner().isRunning()) << "the window waited for the encoder";
    EXPECT_EQ(ended, 0);

    // Convert meanwhile starts once the stopped job's file is closed.
    window->dispatch(QStringLiteral("converter"));
    EXPECT_TRUE(waitUntil([&] {
        QTest::qWait(20);
        return ended == 1;
    }));
    EXPECT_TRUE(core.busy().isConverting());
    window->dispatch(QStringLiteral("stopconverter"));
    EXPECT_TRUE(waitUntil([&] {
        QTest::qWait(20);
        return ended == 2;
    }));
    EXPECT_GT(secondsIn(partial), 0) << "the stopped job's file was not closed";
    window.reset();
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

} // namespace
} // namespace faults
