#pragma once

// Helpers for suites that run the real register.dat and ffmpeg: clips made on
// the spot from ffmpeg's lavfi sources, and child programs run the way the app
// runs the encoder (standard output and error merged, standard input a pipe
// that is never written to), always with a time limit so a hang fails the test
// instead of stalling the run.

#include <functional>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

#include "sources/probereportparser.h"

namespace transcast::testclips
{

inline QString registerDat()
{
    return QStringLiteral(TRANSCAST_BIN_DIR "/register.dat");
}

struct RunResult {
    bool finished = false; // false: killed at the time limit, or never started
    int exitCode = -1;
    QByteArray output; // standard output and standard error, merged
};

// Starts program with the app's set-up: merged output, standard input an open
// pipe nobody writes to. env empty: ours.
inline void startLikeTheApp(QProcess& process, const QString& program, const QStringList& arguments,
                            const QString& workingFolder = {}, const QProcessEnvironment& env = {})
{
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    if (!env.isEmpty())
        process.setProcessEnvironment(env);
    process.start(program, arguments);
}

// Runs program to its end, killing it after timeoutMs.
inline RunResult runProgram(const QString& program, const QStringList& arguments,
                            int timeoutMs = 30000, const QString& workingFolder = {},
                            const QProcessEnvironment& env = {})
{
    QProcess process;
    startLikeTheApp(process, program, arguments, workingFolder, env);
    RunResult run;
    if (!process.waitForStarted(timeoutMs))
        return run;
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.output = process.readAll();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

inline RunResult runRegister(const QStringList& arguments, const QString& workingFolder = {},
                             const QProcessEnvironment& env = {})
{
    return runProgram(registerDat(), arguments, 30000, workingFolder, env);
}

// Reads from a running process until condition holds on everything read so
// far, or timeoutMs passes; returns whether it held.
inline bool readUntil(QProcess& process, QByteArray& output,
                      const std::function<bool(const QByteArray&)>& condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition(output)) {
        if (clock.elapsed() > timeoutMs || process.state() == QProcess::NotRunning)
            return condition(output += process.readAll());
        process.waitForReadyRead(100);
        output += process.readAll();
    }
    return true;
}

// The probe report as the app reads it: its own parser, fed in the app's
// 2048-byte blocks.
inline ProbeResult readLikeTheApp(const QByteArray& output)
{
    ProbeReportParser parser;
    parser.reset();
    for (int at = 0; at < output.size(); at += 2048)
        parser.feed(output.mid(at, 2048));
    return parser.result();
}

inline ProbeResult readLikeTheApp(const QString& output)
{
    return readLikeTheApp(output.toUtf8());
}

// Makes a clip with ffmpeg: sources are lavfi inputs, e.g.
// {"-f", "lavfi", "-i", "testsrc=d=2:s=320x240:r=25"}, options are the output
// options (codecs, container). Fails the calling assertion with ffmpeg's
// message when ffmpeg fails.
inline ::testing::AssertionResult makeClip(const QString& path, const QStringList& sources,
                                           const QStringList& options)
{
    const RunResult run = runProgram(QStringLiteral("ffmpeg"),
                                     QStringList{"-v", "error", "-nostdin", "-y"} + sources +
                                         options + QStringList{path},
                                     60000);
    if (!run.finished || run.exitCode != 0 || !QFile::exists(path))
        return ::testing::AssertionFailure() << "ffmpeg could not make " << path.toStdString()
                                             << ": " << run.output.toStdString();
    return ::testing::AssertionSuccess();
}

// The usual sources: a test picture with a counter, and a sine tone.
inline QStringList pictureSource(double seconds, const QString& size = QStringLiteral("320x240"))
{
    return {"-f", "lavfi", "-i", QStringLiteral("testsrc=d=%1:s=%2:r=25").arg(seconds).arg(size)};
}

inline QStringList toneSource(double seconds)
{
    return {"-f", "lavfi", "-i", QStringLiteral("sine=f=440:d=%1:sample_rate=44100").arg(seconds)};
}

// A video with sound, both of the given length.
inline ::testing::AssertionResult makeMovie(const QString& path, double seconds,
                                            const QStringList& codecs,
                                            const QString& size = QStringLiteral("320x240"))
{
    return makeClip(path, pictureSource(seconds, size) + toneSource(seconds),
                    QStringList{"-ac", "2"} + codecs);
}

} // namespace transcast::testclips
