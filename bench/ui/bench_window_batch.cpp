// The window converting a long list side by side, its event loop watched:
// how late a 10 ms timer fires while the batch runs (its rows reporting,
// the batch's line renewed, rows scrolled into view), against the same
// window idling with the list shown.
// Usage: bench_window_batch JOBS FILE...   (prints key=value lines)
#include <clocale>
#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include "control/controller.h"
#include "latenessprobe.h"
#include "sources/sourcelist.h"
#include "ui/mainwindow.h"

using namespace transcast;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_window_batch JOBS FILE...\n");
        return 2;
    }
    QTemporaryDir config;
    QTemporaryDir out;
    MainWindow window(Edition(QStringLiteral("transcast"),
                              QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/")));
    window.setSettingsFolder(config.path());
    window.show();
    Controller& core = window.controller();
    core.preferences().setOutputFolderText(out.path());
    core.preferences().setConversionsAtOnce(args.at(1).toInt());
    core.profile().picker().selectSubIndex = 118; // MP4 - MPEG4 Video Mini
    core.profile().selectProfile(118);
    {
        QEventLoop listed;
        QObject::connect(&core.sources(), &SourceList::addEnded, &listed, &QEventLoop::quit);
        core.sources().addChosenFiles(args.mid(2));
        if (core.sources().isAdding())
            listed.exec();
    }
    std::printf("rows=%d\n", core.jobs().rowCount());

    LatenessProbe idle;
    LatenessProbe converting;
    QElapsedTimer batchClock;
    QObject::connect(&core.batch(), &Batch::batchEnded, &app, [&] {
        converting.stop();
        std::printf("batch-ms=%lld\n", static_cast<long long>(batchClock.elapsed()));
        std::printf("summary=%s\n", qPrintable(core.batch().progress().summary()));
        std::printf("lateness-batch-p50-ms=%.2f\nlateness-batch-p95-ms=%.2f\n"
                    "lateness-batch-max-ms=%.2f\n",
                    converting.percentile(0.5), converting.percentile(0.95),
                    converting.percentile(1));
        std::printf("lateness-idle-p50-ms=%.2f\nlateness-idle-p95-ms=%.2f\n", idle.percentile(0.5),
                    idle.percentile(0.95));
        std::fflush(stdout);
        app.quit();
    });
    idle.start();
    QTimer::singleShot(3000, &app, [&] {
        idle.stop();
        converting.start();
        batchClock.start();
        window.dispatch(QStringLiteral("converter"));
    });
    return app.exec();
}
