// The preview timed against a bare mpv, both on a real X server (Xvfb), both
// judged by the pixels on the screen.
//
//   bench_preview ours FILE
//       the window (xcb platform) plays FILE in its preview: from "play" to
//       the first picture that is not black in the panel on screen; then the
//       CPU time per second of playback of this process and of the X server
//       (pid in XVFB_PID) over six seconds from the second second on, the
//       frames mpv dropped meanwhile,
//       and how late a 10 ms timer of the window fires while it plays.
//   bench_preview mpv W H FILE MPV_ARGUMENTS...
//       starts `mpv MPV_ARGUMENTS... --geometry=WxH+0+0 FILE` (its window at
//       the top left, the size of our panel) and measures the same from its
//       start: first picture, CPU of mpv and the X server, dropped frames (a
//       script prints them).
//
// With BENCH_MPV_LOG=FILE, our libmpv writes its verbose log there.
//
// FILE should open on a black picture, so that the first one that is not
// black is the first the player shows of its own (ours shows the first
// picture as a still before "play"). Prints key=value lines.
#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "latenessprobe.h"
#include "preview/previewcontroller.h"
#include "sources/joblist.h"
#include "ui/mainwindow.h"

using namespace transcast;

namespace
{

constexpr int kSteadyStartMs = 2000;
constexpr int kSteadyMs = 6000;

double cpuOfProcess(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command's closing parenthesis: utime is the 12th.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / sysconf(_SC_CLK_TCK);
}

double cpuOfThisProcess()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

qint64 serverPid()
{
    return qEnvironmentVariableIntValue("XVFB_PID");
}

// Whether the screen shows more than black in the rectangle.
bool showsPicture(const QRect& area)
{
    const QImage shot = QGuiApplication::primaryScreen()
                            ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
    int bright = 0;
    for (int y = 0; y < shot.height(); y += 2) {
        const auto* line = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); x += 2)
            bright += qGray(line[x]) > 40;
    }
    return bright > shot.width() * shot.height() / 16;
}

int benchOurs(const QString& file)
{
    QTemporaryDir config;
    MainWindow window(Edition(QStringLiteral("transcast"),
                              QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/")));
    window.setSettingsFolder(config.path());
    window.show();
    window.preview().player().setAudioOutput(QStringLiteral("null"));
    if (!qEnvironmentVariableIsEmpty("BENCH_MPV_LOG")) {
        window.preview().player().setOption("log-file", qEnvironmentVariable("BENCH_MPV_LOG"));
        window.preview().player().setOption("msg-level", "all=v");
    }
    JobList& jobs = window.controller().jobs();
    JobRow record;
    record.caption = QFileInfo(file).fileName();
    record.source.filePath = file;
    record.source.durationMs = 30000;
    const int row = jobs.appendRow(record);
    jobs.setVisible(true);
    jobs.setSelected(row, true);
    QWidget* panel = window.previewPanel();

    QTimer::singleShot(1500, [&] {
        const QRect area(panel->mapToGlobal(QPoint()), panel->size());
        std::printf("panel=%dx%d\n", area.width(), area.height());
        // The still, black, must be on screen before "play".
        QElapsedTimer settling;
        settling.start();
        while (showsPicture(area) && settling.elapsed() < 10000)
            QTest::qWait(20);
        if (showsPicture(area))
            std::printf("warning=the still is not black\n");
        QElapsedTimer pressed;
        double firstPicture = -1;
        double cpuStart = 0, serverStart = 0;
        int dropsStart = 0;
        LatenessProbe lateness;
        QTimer watch;
        watch.setTimerType(Qt::PreciseTimer);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (firstPicture < 0) {
                if (showsPicture(area)) {
                    firstPicture = pressed.nsecsElapsed() / 1e6;
                    watch.setInterval(10);
                    lateness.start();
                }
                return;
            }
            const double playing = pressed.nsecsElapsed() / 1e6 - firstPicture;
            PreviewPlayer& player = window.preview().player();
            auto drops = [&player] {
                return player.propertyText(QStringLiteral("frame-drop-count")).toInt() +
                       player.propertyText(QStringLiteral("decoder-frame-drop-count")).toInt();
            };
            if (cpuStart == 0 && playing >= kSteadyStartMs) {
                cpuStart = cpuOfThisProcess();
                serverStart = cpuOfProcess(serverPid());
                dropsStart = drops();
            } else if (cpuStart > 0 && playing >= kSteadyStartMs + kSteadyMs) {
                watch.stop();
                lateness.stop();
                const double seconds = kSteadyMs / 1000.0;
                std::printf("cpu-client=%.3f\ncpu-server=%.3f\n",
                            (cpuOfThisProcess() - cpuStart) / seconds,
                            (cpuOfProcess(serverPid()) - serverStart) / seconds);
                std::printf("dropped=%d\n", drops() - dropsStart);
                window.dispatch(QStringLiteral("stopplay"));
            }
        });
        watch.start(2);
        pressed.start();
        // The preview plays in the event loop: this waits for its end.
        QEventLoop untilEnded;
        QObject::connect(&window.preview(), &PreviewController::playingChanged, &untilEnded,
                         [&](bool playing) {
                             if (!playing)
                                 untilEnded.quit();
                         });
        window.dispatch(QStringLiteral("play"));
        if (window.controller().busy().isPlaying())
            untilEnded.exec();
        std::printf("first-picture-ms=%.1f\n", firstPicture);
        std::printf("lateness-p95-ms=%.2f\n", lateness.percentile(0.95));
        std::fflush(stdout);
        qApp->quit();
    });
    return qApp->exec();
}

int benchMpv(int width, int height, const QString& file, QStringList arguments)
{
    QTemporaryDir work;
    const QString script = work.filePath(QStringLiteral("drops.lua"));
    QFile lua(script);
    lua.open(QIODevice::WriteOnly);
    // Dropped frames counted from the steady stretch's start to its end, as
    // for ours (timed from loading, which comes just before the first
    // picture).
    const QByteArray start = QByteArray::number(kSteadyStartMs / 1000.0 + 0.5);
    const QByteArray end = QByteArray::number((kSteadyStartMs + kSteadyMs) / 1000.0 + 0.5);
    lua.write("local function drops()\n"
              "  return (mp.get_property_number('frame-drop-count') or 0) +\n"
              "         (mp.get_property_number('decoder-frame-drop-count') or 0)\n"
              "end\n"
              "local first = 0\n"
              "mp.register_event('file-loaded', function()\n"
              "  mp.add_timeout(" +
              start +
              ", function() first = drops() end)\n"
              "  mp.add_timeout(" +
              end +
              ", function()\n"
              "    io.stdout:write('dropped=' .. (drops() - first) .. '\\n'); io.stdout:flush()\n"
              "    mp.command('quit')\n"
              "  end)\n"
              "end)\n");
    lua.close();
    arguments << QStringLiteral("--script=%1").arg(script)
              << QStringLiteral("--geometry=%1x%2+0+0").arg(width).arg(height) << file;
    const QRect area(0, 0, width, height);
    QProcess mpv;
    mpv.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer started;
    started.start();
    mpv.start(QStringLiteral("mpv"), arguments);
    double firstPicture = -1;
    while (mpv.state() != QProcess::NotRunning && started.elapsed() < 20000) {
        if (showsPicture(area)) {
            firstPicture = started.nsecsElapsed() / 1e6;
            break;
        }
        QThread::msleep(2);
    }
    std::printf("first-picture-ms=%.1f\n", firstPicture);
    QThread::msleep(kSteadyStartMs);
    const double cpuStart = cpuOfProcess(mpv.processId());
    const double serverStart = cpuOfProcess(serverPid());
    QThread::msleep(kSteadyMs);
    const double seconds = kSteadyMs / 1000.0;
    std::printf("cpu-client=%.3f\ncpu-server=%.3f\n",
                (cpuOfProcess(mpv.processId()) - cpuStart) / seconds,
                (cpuOfProcess(serverPid()) - serverStart) / seconds);
    mpv.waitForFinished(10000);
    const QByteArray output = mpv.readAllStandardOutput();
    const int at = output.indexOf("dropped=");
    if (at >= 0)
        std::printf("%s\n", output.mid(at, output.indexOf('\n', at) - at).constData());
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() >= 2 && arguments[0] == QLatin1String("ours"))
        return benchOurs(QFileInfo(arguments[1]).absoluteFilePath());
    if (arguments.size() >= 4 && arguments[0] == QLatin1String("mpv"))
        return benchMpv(arguments[1].toInt(), arguments[2].toInt(),
                        QFileInfo(arguments[3]).absoluteFilePath(), arguments.mid(4));
    std::fprintf(stderr, "usage: bench_preview ours FILE | mpv W H FILE MPV_ARGUMENTS...\n");
    return 2;
}
