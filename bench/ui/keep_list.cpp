// The window adding a folder of files, timed, with its job list kept on disk
// (as the window always runs) or not (the baseline): the add's wall time, the
// window process's own CPU time during it (the probes run in register.dat),
// and how many times the list was written. With the list kept it also times
// the keeping's own work apart, since the machine's noise can hide it in
// the add's time: encoding every row, joining the whole list (the window's
// thread) and replacing the file (the writer's thread).
// Usage: bench_keep_list FOLDER on|off   (prints key=value lines)
#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include "sources/joblistfile.h"
#include "sources/sourcelist.h"
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
    {
        QEventLoop listed;
        QObject::connect(&core.sources(), &SourceList::addEnded, &listed, &QEventLoop::quit);
        core.sources().addFolderContents(folder);
        if (core.sources().isAdding())
            listed.exec();
    }
    // The last write belongs to the add.
    keeper.flush();
    const qint64 wallMs = clock.elapsed();
    const double cpuMs = selfCpuMs() - cpuBefore;

    std::printf("rows=%d\nadd-ms=%lld\nself-cpu-ms=%.1f\nwrites=%d\nlist-bytes=%lld\n",
                core.jobs().rowCount(), static_cast<long long>(wallMs), cpuMs, keeper.writeCount(),
                static_cast<long long>(keep ? QFileInfo(keeper.path()).size() : 0));
    if (!keep)
        return 0;

    // The keeping's work apart, repeated for steadier figures. On the
    // window's thread each row is encoded when it is appended and again
    // when its estimate is set, and each write joins the rows; the file is
    // replaced (and synced) on the writer's thread.
    constexpr int kRepeats = 5;
    const JobList& jobs = core.jobs();
    std::vector<QByteArray> rows;
    QElapsedTimer apart;
    apart.start();
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        rows.clear();
        for (int row = 0; row < jobs.rowCount(); ++row)
            rows.push_back(JobListFile::encodeRow(jobs.row(row)));
    }
    const double encodeAllMs = apart.nsecsElapsed() / 1e6 / kRepeats;
    QByteArray document;
    apart.restart();
    for (int repeat = 0; repeat < kRepeats; ++repeat)
        document = JobListFile::encode(JobListFile::Header(), rows);
    const double joinMs = apart.nsecsElapsed() / 1e6 / kRepeats;
    apart.restart();
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        QSaveFile file(config.filePath(QStringLiteral("apart.json")));
        file.open(QIODevice::WriteOnly);
        file.write(document);
        file.commit();
    }
    const double replaceMs = apart.nsecsElapsed() / 1e6 / kRepeats;
    // Writes during the add hold part of the list; a full one for each is
    // the most they can cost.
    const int writes = keeper.writeCount();
    std::printf("encode-all-rows-ms=%.2f\njoin-ms=%.2f\nreplace-file-ms=%.2f\n"
                "window-thread-at-most-ms=%.1f\nwriter-thread-at-most-ms=%.1f\n",
                encodeAllMs, joinMs, replaceMs, 2 * encodeAllMs + writes * joinMs,
                writes * replaceMs);
    return 0;
}
