// The window adding a folder of files, timed, with its job list kept on disk
// (as the window always runs) or not (the baseline): the add's wall time, the
// window process's own CPU time during it (the probes run in register.dat),
// and how many times the list was written.
// Usage: bench_keep_list FOLDER on|off   (prints key=value lines)
#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include "ui/mainwindow.h"

using namespace transcast;

namespace
{

double selfCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_keep_list FOLDER on|off\n");
        return 2;
    }
    const QString folder = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const bool keep = QString::fromLocal8Bit(argv[2]) == QLatin1String("on");
    QTemporaryDir config;
    MainWindow window(Edition(QStringLiteral("transcast"),
                              QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/")));
    window.setSettingsFolder(config.path());
    window.show();
    QCoreApplication::processEvents();
    Controller& core = window.controller();
    JobListKeeper& keeper = core.jobListKeeper();
    if (!keep)
        keeper.stop();
    if (keeper.isKeeping() != keep) {
        std::fprintf(stderr, "the list is %s kept\n", keep ? "not" : "still");
        return 1;
    }

    QElapsedTimer clock;
    const double cpuBefore = selfCpuMs();
    clock.start();
    core.sources().addFolderContents(folder);
    // The last write belongs to the add.
    keeper.flush();
    const qint64 wallMs = clock.elapsed();
    const double cpuMs = selfCpuMs() - cpuBefore;

    std::printf("rows=%d\nadd-ms=%lld\nself-cpu-ms=%.1f\nwrites=%d\nlist-bytes=%lld\n",
                core.jobs().rowCount(), static_cast<long long>(wallMs), cpuMs, keeper.writeCount(),
                static_cast<long long>(keep ? QFileInfo(keeper.path()).size() : 0));
    return 0;
}
