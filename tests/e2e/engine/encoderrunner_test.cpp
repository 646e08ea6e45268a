#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "engine/encoderrunner.h"
#include "engine/progressmodel.h"
#include "sources/joblist.h"

using namespace transcast;

// A runner holds on to its row by identity: when rows before it go while
// it converts, its progress follows the row to its new place, and none
// reaches the row that took the old one.
TEST(EncoderRunner, ProgressFollowsItsRowWhenRowsBeforeItGo)
{
    QTemporaryDir dir;
    const QString encoder = dir.filePath(QStringLiteral("encoder"));
    QFile script(encoder);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nsleep 0.3\nprintf 'frame=1 time=5.00 bitrate=1\\r'\n"
                 "printf 'frame=2 time=7.50 bitrate=1\\r'\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);

    JobList jobs;
    for (const char* caption : {"first", "second", "third"}) {
        JobRow row;
        row.caption = QString::fromLatin1(caption);
        jobs.appendRow(row);
    }
    QList<QPair<QString, int>> seen;
    QObject::connect(&jobs, &JobList::rowChanged, [&](int row, JobList::Change change) {
        if (change == JobList::Change::Progress || jobs.row(row).status == JobStatus::Converting)
            seen.append({jobs.row(row).caption, jobs.row(row).progress});
    });
    ProgressModel bar;
    EncoderRunner runner(jobs, bar);
    ConversionJob job;
    job.encoderFile = encoder;
    job.workFolder = dir.path();
    job.seconds = 10;
    QEventLoop loop;
    QObject::connect(&runner, &EncoderRunner::jobCompleted, &loop, &QEventLoop::quit);
    runner.launchEncoder(job, 1);
    jobs.removeRow(0);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_FALSE(seen.isEmpty());
    for (const auto& [caption, progress] : seen)
        EXPECT_EQ(caption, QStringLiteral("second")) << progress;
    EXPECT_TRUE(seen.contains(qMakePair(QStringLiteral("second"), 5000)));
}
