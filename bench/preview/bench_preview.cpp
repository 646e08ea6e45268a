// The preview as the window runs it, timed: from pressing "play" to the
// first position report, and how late a 10 ms timer of the window's event
// loop fires while the preview plays against while the window idles.
// Usage: bench_preview FILE [SECONDS]   (prints key=value lines)
#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include "sources/joblist.h"
#include "ui/mainwindow.h"
#include "preview/previewcontroller.h"

using namespace transcast;

namespace
{

// Lateness of a 10 ms repeating timer, in ms, over `milliseconds`.
class LatenessProbe
{
public:
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const double now = m_clock.nsecsElapsed() / 1e6;
            m_lateness.push_back(std::max(0.0, now - m_last - 10.0));
            m_last = now;
        });
        m_timer.start(10);
    }
    void stop() { m_timer.stop(); }
    double percentile(double p)
    {
        if (m_lateness.empty())
            return -1;
        std::sort(m_lateness.begin(), m_lateness.end());
        return m_lateness[static_cast<size_t>(p * (m_lateness.size() - 1))];
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_last = 0;
    std::vector<double> m_lateness;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_preview FILE [SECONDS]\n");
        return 2;
    }
    const QString file = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const int seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 3;
    QTemporaryDir config;
    MainWindow window(Edition(QStringLiteral("transcast"),
                              QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/")));
    window.setSettingsFolder(config.path());
    window.show();
    window.preview().player().setAudioOutput(QStringLiteral("null"));
    JobList& jobs = window.controller().jobs();
    JobRow record;
    record.caption = QFileInfo(file).fileName();
    record.source.FilePath = file;
    record.source.Duration = QStringLiteral("00:00:%1").arg(seconds, 2, 10, QChar('0'));
    const int row = jobs.appendRow(record);
    jobs.setSelected(row, true);

    // The idle window first, as the baseline of the lateness.
    LatenessProbe idle;
    QTimer::singleShot(200, [&] { idle.start(); });
    QTimer::singleShot(200 + seconds * 1000, [&] {
        idle.stop();
        LatenessProbe playing;
        QElapsedTimer pressed;
        double firstReport = -1;
        QTimer watch;
        watch.setTimerType(Qt::PreciseTimer);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (firstReport < 0 && window.controller().state().Playing &&
                !window.preview().AwaitingStart()) {
                firstReport = pressed.nsecsElapsed() / 1e6;
                watch.stop();
                playing.start();
            }
        });
        watch.start(1);
        pressed.start();
        window.dispatch(QStringLiteral("play"));
        playing.stop();
        std::printf("first-report-ms=%.1f\n", firstReport);
        std::printf("lateness-playing-p50-ms=%.2f\nlateness-playing-p95-ms=%.2f\n"
                    "lateness-playing-max-ms=%.2f\n",
                    playing.percentile(0.5), playing.percentile(0.95), playing.percentile(1));
        std::printf("lateness-idle-p50-ms=%.2f\nlateness-idle-p95-ms=%.2f\n"
                    "lateness-idle-max-ms=%.2f\n",
                    idle.percentile(0.5), idle.percentile(0.95), idle.percentile(1));
        std::fflush(stdout);
        app.quit();
    });
    return app.exec();
}
