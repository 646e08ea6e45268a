#pragma once

// The fault matrix: transcast-cli (and the window) run as users run them,
// over the real register.dat and ffmpeg, with one thing going wrong at a
// time. Every case checks what the user is told and that nothing was lost:
// the sources byte for byte, outputs that existed before byte for byte, the
// settings files byte for byte, and no encoder left running.

#include <csignal>
#include <functional>
#include <map>
#include <memory>

#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "common/edition.h"
#include "common/textutil.h"
#include "e2e/encoder/clips.h"
#include "support/scriptedinteraction.h"
#include "ui/mainwindow.h"

namespace faults
{

struct CliRun {
    bool finished = false;
    int exitCode = -1; // -1: killed by a signal or by the time limit
    QString out;
    QString err;
    QString all() const { return out + err; }
};

// Path -> content digest of everything below a folder (links by target).
using Snapshot = std::map<QString, QByteArray>;

class FaultFixture : public ::testing::Test
{
protected:
    QTemporaryDir work;
    QString sources, outputs, config, home;

    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        // Reachable by the unprivileged user of the permission cases.
        QFile::setPermissions(work.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                               QFileDevice::WriteOther | QFileDevice::ExeOther |
                                               QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                               QFileDevice::WriteGroup);
        sources = work.filePath(QStringLiteral("library"));
        outputs = work.filePath(QStringLiteral("converted"));
        config = work.filePath(QStringLiteral("config"));
        home = work.filePath(QStringLiteral("home"));
        for (const QString& folder : {sources, outputs, config, home})
            QDir().mkpath(folder);
    }

    void TearDown() override
    {
        // Whatever a failed case left running must not outlive it.
        for (const qint64 pid : processesMentioning(work.path()))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        for (const QString& folder : m_mounts)
            ::umount2(folder.toLocal8Bit().constData(), MNT_DETACH);
    }

    // Mounts a file system of `size` ("100k", "1m") on the folder for the
    // rest of the case; false, with why, where that is not allowed (it needs
    // root, which CI has).
    bool mountSmallDisk(const QString& folder, const QByteArray& size, std::string& why)
    {
        if (::mount("tmpfs", folder.toLocal8Bit().constData(), "tmpfs", 0,
                    ("size=" + size).constData()) != 0) {
            why = std::string("cannot mount a small file system here: ") + strerror(errno);
            return false;
        }
        m_mounts << folder;
        return true;
    }

    // Makes a file read-only for the rest of the case, for root too: a
    // read-only mount of the file over itself where allowed (root, which CI
    // has), else its permissions, which hold for anyone else.
    bool makeReadOnly(const QString& file, std::string& why)
    {
        if (!runningAsRoot())
            return QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                   QFileDevice::ReadOther);
        const QByteArray path = file.toLocal8Bit();
        if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0) {
            why = std::string("cannot mount a file over itself here: ") + strerror(errno);
            return false;
        }
        m_mounts << file;
        if (::mount(nullptr, path.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY,
                    nullptr) != 0) {
            why = std::string("cannot make a mount read-only here: ") + strerror(errno);
            return false;
        }
        return true;
    }

    // Fills the file system the file is on, up to its last byte.
    static void fillUp(const QString& path)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'f');
        while (file.write(block) == block.size() && file.flush()) {
        }
        // What is left is smaller than a block.
        for (const QByteArray byte(1, 'f'); file.write(byte) == 1 && file.flush();) {
        }
    }

    // Polls until done holds or timeoutMs passes; returns whether it held.
    static bool waitUntil(const std::function<bool()>& done, int timeoutMs = 60000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < timeoutMs)
            QThread::msleep(20);
        return done();
    }

    // The whole seconds a media file holds, read as the app reads it; 0 for
    // a file no player could open (a video whose index was never written).
    static int secondsIn(const QString& path)
    {
        const transcast::testclips::RunResult probe =
            transcast::testclips::runRegister({"-i", path});
        return static_cast<int>(
            transcast::testclips::readLikeTheApp(probe.output).durationMs.value_or(0) / 1000);
    }

    // The real window in this process, offscreen, with its boxes recorded
    // in `interaction`, its settings in the folder and its outputs in
    // `outputs`.
    ScriptedInteraction interaction;
    RecordingShell shell;
    std::unique_ptr<transcast::MainWindow>
    openWindow(const QString& settingsFolder, const QString& edition = QStringLiteral("transcast"))
    {
        auto window = std::make_unique<transcast::MainWindow>(transcast::Edition(edition, binDir()),
                                                              &interaction, &shell);
        window->setSettingsFolder(settingsFolder);
        window->show();
        window->controller().preferences().setOutputFolderText(outputs);
        return window;
    }

    static QString binDir() { return QStringLiteral(TRANSCAST_BIN_DIR); }
    // The CLI the cases run: the built one, or a copy in a program folder of
    // the case's own (programFolder).
    QString cliProgram = binDir() + QStringLiteral("/transcast-cli");

    // A program folder holding copies of the named files of the built one.
    QString programFolder(const QStringList& names)
    {
        const QString folder = work.filePath(QStringLiteral("program"));
        QDir().mkpath(folder);
        for (const QString& name : names)
            EXPECT_TRUE(QFile::copy(binDir() + '/' + name, folder + '/' + name))
                << name.toStdString();
        cliProgram = folder + QStringLiteral("/transcast-cli");
        return folder;
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        return env;
    }

    // The tests run as root on CI: permissions mean nothing to root, so the
    // permission cases run the program as "nobody".
    static bool runningAsRoot() { return ::geteuid() == 0; }

    void startCli(QProcess& process, const QStringList& arguments, bool unprivileged = false,
                  const QProcessEnvironment& env = {}) const
    {
        process.setProcessEnvironment(env.isEmpty() ? environment() : env);
        process.setWorkingDirectory(work.path());
        if (unprivileged && runningAsRoot())
            process.start(QStringLiteral("setpriv"),
                          QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", "--",
                                      cliProgram} +
                              arguments);
        else
            process.start(cliProgram, arguments);
    }

    // The real window as a program of its own (tests/helpers/window_batch):
    // settings from `config`, the files listed and converted at once.
    void startWindow(QProcess& window, const QStringList& files) const
    {
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        window.setProcessEnvironment(env);
        window.setProcessChannelMode(QProcess::ForwardedChannels);
        window.start(QStringLiteral(TRANSCAST_BIN_DIR "/../tests/window_batch"),
                     QStringList{config} + files);
    }

    CliRun cli(const QStringList& arguments, bool unprivileged = false,
               const QProcessEnvironment& env = {}, int timeoutMs = 120000) const
    {
        QProcess process;
        startCli(process, arguments, unprivileged, env);
        CliRun run;
        run.finished = process.waitForFinished(timeoutMs);
        if (!run.finished) {
            process.kill();
            process.waitForFinished(5000);
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    // A short clip in the library (640x480 MPEG-4 and MP3 in AVI).
    QString clip(const QString& name, double seconds = 1)
    {
        const QString path = QDir(sources).filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(transcast::testclips::makeMovie(path, seconds,
                                                    {"-c:v", "mpeg4", "-c:a", "libmp3lame"}));
        return path;
    }

    static void writeFile(const QString& path, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        file.write(content);
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static Snapshot snapshot(const QString& folder)
    {
        Snapshot files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QFileInfo info(path);
            const QString relative = QDir(folder).relativeFilePath(path);
            if (info.isSymLink()) {
                files[relative] = "link:" + info.symLinkTarget().toUtf8();
                continue;
            }
            QFile file(path);
            if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
                files[relative] = "unreadable";
                continue;
            }
            QCryptographicHash hash(QCryptographicHash::Sha256);
            hash.addData(&file);
            files[relative] = hash.result().toHex();
        }
        return files;
    }

    // Nothing that was there before changed or went missing (new files may
    // have appeared).
    static ::testing::AssertionResult kept(const Snapshot& before, const Snapshot& after)
    {
        for (const auto& [path, digest] : before) {
            const auto found = after.find(path);
            if (found == after.end())
                return ::testing::AssertionFailure() << path.toStdString() << " is gone";
            if (found->second != digest)
                return ::testing::AssertionFailure() << path.toStdString() << " changed";
        }
        return ::testing::AssertionSuccess();
    }

    // Processes whose command line mentions text (our folder), other than
    // this test: an encoder or a CLI that should have ended.
    static QList<qint64> processesMentioning(const QString& text)
    {
        QList<qint64> found;
        const QByteArray needle = text.toUtf8();
        const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
        for (const QString& entry : entries) {
            bool number = false;
            const qint64 pid = entry.toLongLong(&number);
            if (!number || pid == ::getpid())
                continue;
            QByteArray line = readFile(QStringLiteral("/proc/%1/cmdline").arg(pid));
            if (line.contains(needle))
                found << pid;
        }
        return found;
    }

    // No encoder (register.dat, ffmpeg) or CLI of this case still runs: a
    // killed parent takes its children along within a moment.
    ::testing::AssertionResult nothingLeftRunning(int graceMs = 5000) const
    {
        QElapsedTimer clock;
        clock.start();
        QList<qint64> left;
        do {
            left = processesMentioning(work.path());
            if (left.isEmpty())
                return ::testing::AssertionSuccess();
            // A window still open reads what its children write (a still
            // picture), so that they can end.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
            QThread::msleep(20);
        } while (clock.elapsed() < graceMs);
        ::testing::AssertionResult failure = ::testing::AssertionFailure();
        failure << "still running:";
        for (const qint64 pid : left)
            failure << "\n  " << pid << ": "
                    << readFile(QStringLiteral("/proc/%1/cmdline").arg(pid))
                           .replace('\0', ' ')
                           .toStdString();
        return failure;
    }

    // Whether the process has a signal blocked (/proc/PID/status "SigBlk").
    static bool blocks(qint64 pid, int signalNumber)
    {
        const QList<QByteArray> lines =
            readFile(QStringLiteral("/proc/%1/status").arg(pid)).split('\n');
        for (const QByteArray& line : lines) {
            if (line.startsWith("SigBlk:"))
                return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signalNumber - 1)) & 1;
        }
        ADD_FAILURE() << "no process " << pid;
        return false;
    }

    // Waits until a process whose command line holds all of the texts runs.
    qint64 waitForProcess(const QStringList& texts, int timeoutMs = 30000) const
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            for (const qint64 pid : processesMentioning(work.path())) {
                const QByteArray line = readFile(QStringLiteral("/proc/%1/cmdline").arg(pid));
                bool all = true;
                for (const QString& text : texts)
                    all = all && line.contains(text.toUtf8());
                if (all)
                    return pid;
            }
            QThread::msleep(50);
        }
        return -1;
    }

private:
    QStringList m_mounts;
};

} // namespace faults
