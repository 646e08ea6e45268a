// Faults of the encoder and of the processes around it: ffmpeg missing or
// crashing, register.dat killed, the CLI killed in the middle of a batch, a
// disk that fills, a source cut short while it is read, names that look like
// ffmpeg's protocols.
#include <csignal>

#include "common/inifile.h"
#include "faultfixture.h"

namespace faults
{
namespace
{

class EncoderFaults : public FaultFixture
{
protected:
    // A program standing in for ffmpeg: the real one, killed by SIGSEGV a
    // second after it starts, as a crash in a decoder would end it.
    QString crashingFfmpeg()
    {
        const QString path = work.filePath(QStringLiteral("crashing-ffmpeg"));
        writeFile(path, "#!/bin/sh\n"
                        "(sleep 1; kill -SEGV $$) </dev/null >/dev/null 2>&1 &\n"
                        "exec ffmpeg \"$@\"\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner |
                                        QFileDevice::ExeOther);
        return path;
    }

    QStringList convert(const QStringList& files) const
    {
        return QStringList{"convert", "--profile", "122", "--output", outputs} + files;
    }
};

TEST_F(EncoderFaults, FfmpegMissingFailsTheJobWithItsReason)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    writeFile(outputs + QStringLiteral("/clip.mp4"), "an earlier output");
    const Snapshot library = snapshot(sources), earlier = snapshot(outputs);

    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("TRANSCAST_FFMPEG"), work.filePath(QStringLiteral("no-ffmpeg")));
    const CliRun run = cli(convert({source}), false, env);

    EXPECT_EQ(run.exitCode, 1) << run.all().toStdString();
    EXPECT_TRUE(run.all().contains(QStringLiteral("No such file or directory")))
        << run.all().toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("0 finished, 1 failed"))) << run.out.toStdString();
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(kept(earlier, snapshot(outputs)));
    EXPECT_TRUE(nothingLeftRunning());
}

TEST_F(EncoderFaults, FfmpegCrashingMidJobFailsThatJobOnly)
{
    const QString longer = clip(QStringLiteral("long.avi"), 20);
    const QString shorter = clip(QStringLiteral("short.avi"));
    const Snapshot library = snapshot(sources);

    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("TRANSCAST_FFMPEG"), crashingFfmpeg());
    const CliRun crashed = cli(convert({longer}), false, env);
    EXPECT_EQ(crashed.exitCode, 1) << crashed.all().toStdString();
    EXPECT_TRUE(
        crashed.out.contains(QStringLiteral("long: Failed: ffmpeg was killed by signal 11")))
        << crashed.out.toStdString();
    EXPECT_FALSE(QFile::exists(outputs + QStringLiteral("/long.mp4")));
    EXPECT_TRUE(nothingLeftRunning());

    // The next run with a sound ffmpeg is not disturbed by what the crash
    // left behind.
    const CliRun next = cli(convert({shorter}));
    EXPECT_EQ(next.exitCode, 0) << next.all().toStdString();
    EXPECT_TRUE(QFile::exists(outputs + QStringLiteral("/short.mp4")));
    EXPECT_TRUE(kept(library, snapshot(sources)));
}

TEST_F(EncoderFaults, KilledEncoderFailsItsJobAndTheBatchGoesOn)
{
    const QString longer = clip(QStringLiteral("long.avi"), 30);
    const QString shorter = clip(QStringLiteral("short.avi"));
    const Snapshot library = snapshot(sources);

    QProcess process;
    startCli(process, convert({longer, shorter}));
    // The conversion's register.dat (not the probe's, which runs first),
    // once its ffmpeg runs too.
    ASSERT_GT(waitForProcess({QStringLiteral("ffmpeg"), QStringLiteral("long.mp4")}), 0);
    const qint64 encoder =
        waitForProcess({QStringLiteral("register.dat"), QStringLiteral("long.mp4")});
    ASSERT_GT(encoder, 0) << "register.dat never started on the long clip";
    // Killed mid-job, its output holding pictures.
    QElapsedTimer written;
    written.start();
    while (QFileInfo(outputs + QStringLiteral("/long.mp4")).size() < 20000 &&
           written.elapsed() < 30000)
        QThread::msleep(20);
    ::kill(static_cast<pid_t>(encoder), SIGKILL);
    ASSERT_TRUE(process.waitForFinished(120000));

    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 1) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("1 finished, 1 failed"))) << out.toStdString();
    // An MP4 cut off before its index does not play: it is not kept.
    EXPECT_TRUE(out.contains(QStringLiteral("long: Failed: The encoder was killed before it "
                                            "finished. The partial file did not play and was "
                                            "removed.")))
        << out.toStdString();
    EXPECT_FALSE(QFile::exists(outputs + QStringLiteral("/long.mp4")));
    EXPECT_TRUE(QFile::exists(outputs + QStringLiteral("/short.mp4")));
    EXPECT_TRUE(kept(library, snapshot(sources)));
    // ffmpeg dies with the register.dat that started it.
    EXPECT_TRUE(nothingLeftRunning());
}

// A stop that the encoder cannot answer (its ffmpeg held still) ends in the
// grace's time, says so, and keeps no file that would not play; one that
// plays stays (an MPEG stream plays as far as it was written).
TEST_F(EncoderFaults, AStopTheEncoderDoesNotAnswerKeepsOnlyAFileThatPlays)
{
    const QString longer = clip(QStringLiteral("long.avi"), 60);
    const struct {
        const char* profile;
        const char* output;
        bool kept;
    } cases[] = {{"122", "/long.mp4", false}, {"110", "/long.mpg", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        QProcess process;
        startCli(process,
                 QStringList{"convert", "--profile", c.profile, "--output", outputs, longer});
        // The conversion's ffmpeg, which writes the output (not the one that
        // looks at the source first).
        const qint64 ffmpeg =
            waitForProcess({QStringLiteral("ffmpeg"), QString::fromLatin1(c.output + 1)});
        ASSERT_GT(ffmpeg, 0);
        const QString output = outputs + QString::fromLatin1(c.output);
        QElapsedTimer written;
        written.start();
        while (QFileInfo(output).size() < 20000 && written.elapsed() < 30000)
            QThread::msleep(50);
        ::kill(static_cast<pid_t>(ffmpeg), SIGSTOP);
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        ASSERT_TRUE(process.waitForFinished(30000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        EXPECT_EQ(process.exitCode(), 130) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("long: Stop: The encoder stopped answering and was "
                                                "ended. The partial file ")))
            << out.toStdString();
        EXPECT_EQ(QFile::exists(output), c.kept) << out.toStdString();
        if (c.kept)
            EXPECT_EQ(transcast::testclips::runRegister({"-i", output}).exitCode, 0);
        EXPECT_TRUE(nothingLeftRunning());
    }
}

TEST_F(EncoderFaults, KilledCliLeavesNoEncoderAndLosesNothing)
{
    const QString first = clip(QStringLiteral("first.avi"));
    const QString longer = clip(QStringLiteral("long.avi"), 30);
    // The settings of an earlier run, with a section of somebody else's.
    ASSERT_EQ(cli({"probe", "--config", config, "--profile", "122", first}).exitCode, 0);
    const QString settings = config + QStringLiteral("/transcast-cli.ini");
    ASSERT_TRUE(QFile::exists(settings));
    const Snapshot library = snapshot(sources);
    const QByteArray settingsBefore = readFile(settings);

    QProcess process;
    startCli(process, QStringList{"convert", "--config", config, "--profile", "122", "--output",
                                  outputs, first, longer});
    ASSERT_GT(waitForProcess({QStringLiteral("ffmpeg"), QStringLiteral("long.mp4")}), 0);
    ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    process.waitForFinished(10000);

    EXPECT_TRUE(nothingLeftRunning());
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_EQ(readFile(settings), settingsBefore);
    // The job that had finished keeps its output.
    const transcast::ProbeResult done = transcast::testclips::readLikeTheApp(
        transcast::testclips::runRegister({"-i", outputs + QStringLiteral("/first.mp4")}).output);
    EXPECT_EQ(transcast::durationClock(done.durationMs), QStringLiteral("00:00:01"))
        << "first.mp4 is not a whole output";
}

TEST_F(EncoderFaults, KilledWindowLeavesNoEncoderAndLosesNothing)
{
    const QString first = clip(QStringLiteral("first.avi"));
    const QString longer = clip(QStringLiteral("long.avi"), 30);
    // The window's settings: the output folder, and a section the program
    // does not own, in bytes of another encoding and with its own spacing.
    const QString settings = config + QStringLiteral("/transcast.ini");
    const QByteArray foreign = "[somebody else]\r\n; caf\xe9\r\n Key = caf\xe9 \r\n\r\n";
    writeFile(settings, "[profiles]\r\nselcetsubindex=122\r\n[output]\r\npath=" + outputs.toUtf8() +
                            "/\r\n" + foreign);
    const Snapshot library = snapshot(sources);

    QProcess window;
    startWindow(window, {first, longer});
    ASSERT_GT(waitForProcess({QStringLiteral("ffmpeg"), QStringLiteral("long.mp4")}, 60000), 0)
        << "the window never started converting the second file";
    ::kill(static_cast<pid_t>(window.processId()), SIGKILL);
    window.waitForFinished(10000);

    EXPECT_TRUE(nothingLeftRunning());
    EXPECT_TRUE(kept(library, snapshot(sources)));
    // The window had rewritten the file when it selected the recorded
    // profile; the kill leaves it whole, every value as it was, and the lines
    // it does not own byte for byte.
    const transcast::IniFile after(settings);
    EXPECT_EQ(after.readInteger(QStringLiteral("profiles"), QStringLiteral("selcetsubindex"), 0),
              122);
    EXPECT_EQ(after.readString(QStringLiteral("output"), QStringLiteral("path")), outputs + '/');
    EXPECT_TRUE(readFile(settings).contains(foreign)) << readFile(settings).toStdString();
    // Nothing else is left there but the list the window kept, for the next
    // start to offer, and its lock, which no running window holds.
    EXPECT_EQ(
        QDir(config).entryList(QDir::Files | QDir::Hidden),
        (QStringList{"transcast-joblist.json", "transcast-joblist.json.lock", "transcast.ini"}));
    EXPECT_TRUE(QFile::exists(outputs + QStringLiteral("/first.mp4")));
}

// A program folder whose register.dat is missing, or there but not
// executable: nothing is converted, nothing is written, and the run fails.
TEST_F(EncoderFaults, EncoderMissingOrNotExecutableConvertsNothing)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    const QString program = programFolder({"transcast-cli", "profiles.pop"});
    const Snapshot library = snapshot(sources);

    for (const bool present : {false, true}) {
        if (present) {
            ASSERT_TRUE(QFile::copy(binDir() + QStringLiteral("/register.dat"),
                                    program + QStringLiteral("/register.dat")));
            QFile::setPermissions(program + QStringLiteral("/register.dat"),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        const CliRun run = cli({"convert", "--profile", "122", "--output", outputs, source});
        const QString said = run.all();
        EXPECT_EQ(run.exitCode, 1) << said.toStdString();
        // Said once, naming the encoder and the system's reason.
        const QString reason = present ? QStringLiteral("Permission denied")
                                       : QStringLiteral("No such file or directory");
        EXPECT_EQ(said.count(QStringLiteral("Cannot start the encoder ") + program +
                             QStringLiteral("/register.dat: ") + reason),
                  1)
            << said.toStdString();
        EXPECT_TRUE(snapshot(outputs).empty());
        EXPECT_TRUE(kept(library, snapshot(sources)));
    }
}

TEST_F(EncoderFaults, SourceDeletedBetweenListingAndConvertingFailsThatJob)
{
    const QString longer = clip(QStringLiteral("long.avi"), 20);
    const QString doomed = clip(QStringLiteral("doomed.avi"));
    const QString after = clip(QStringLiteral("after.avi"));

    QProcess process;
    startCli(process, convert({longer, doomed, after}));
    // Every file is listed (probed) before the first job starts.
    ASSERT_GT(waitForProcess({QStringLiteral("ffmpeg"), QStringLiteral("long.mp4")}), 0);
    ASSERT_TRUE(QFile::remove(doomed));
    ASSERT_TRUE(process.waitForFinished(120000));

    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 1) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("doomed: Failed"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("No such file or directory"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("2 finished, 1 failed"))) << out.toStdString();
    EXPECT_TRUE(QFile::exists(outputs + QStringLiteral("/long.mp4")));
    EXPECT_TRUE(QFile::exists(outputs + QStringLiteral("/after.mp4")));
    EXPECT_FALSE(QFile::exists(outputs + QStringLiteral("/doomed.mp4")));
    EXPECT_TRUE(nothingLeftRunning());
}

// ffmpeg 5.1 exits 0 when the disk fills while it writes the trailer; on a
// full disk an AVI or MP3 job "finished" with an empty file. Any write error
// fails the job, with its reason, and the job's file goes.
TEST_F(EncoderFaults, DiskThatFillsFailsTheJobWhateverFfmpegSays)
{
    const QString source = clip(QStringLiteral("clip.avi"));
    std::string why;
    if (!mountSmallDisk(outputs, "1m", why))
        GTEST_SKIP() << why;
    fillUp(outputs + QStringLiteral("/filler"));
    const Snapshot library = snapshot(sources), earlier = snapshot(outputs);

    for (const char* profile : {"2", "17"}) { // AVI DivX, MP3
        const CliRun run = cli({"convert", "--profile", profile, "--output", outputs, source});
        EXPECT_EQ(run.exitCode, 1) << run.all().toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("clip: Failed: ")) &&
                    run.out.contains(QStringLiteral("No space left on device")))
            << run.out.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("0 finished, 1 failed"))) << profile;
        EXPECT_TRUE(snapshot(outputs) == earlier) << profile << ": the job's file is left";
    }
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

// A source cut short while it is converted gives a short output that ffmpeg
// calls a success: the row fails and says so, and the file stays (it may be
// all the user has).
TEST_F(EncoderFaults, SourceCutShortDuringItsJobFailsItAndKeepsTheFile)
{
    const QString doomed = QDir(sources).filePath(QStringLiteral("doomed.avi"));
    ASSERT_TRUE(transcast::testclips::makeMovie(doomed, 60, {"-c:v", "mpeg4", "-c:a", "libmp3lame"},
                                                QStringLiteral("640x480")));
    const QString after = clip(QStringLiteral("others/after.avi"));
    const Snapshot others = snapshot(sources + QStringLiteral("/others"));

    QProcess process;
    startCli(process, convert({doomed, after}));
    const QString partial = outputs + QStringLiteral("/doomed.mp4");
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(partial).size() > 0; }));
    ASSERT_TRUE(QFile::resize(doomed, QFileInfo(doomed).size() / 10));
    ASSERT_TRUE(process.waitForFinished(120000));

    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 1) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("doomed: Failed: The output holds only ")) &&
                out.contains(QStringLiteral("of the source's 60 s")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("1 finished, 1 failed"))) << out.toStdString();
    const int held = secondsIn(partial);
    EXPECT_GT(held, 0) << "the short output is kept, and it plays";
    EXPECT_LT(held, 54);
    EXPECT_TRUE(QFile::exists(outputs + QStringLiteral("/after.mp4")));
    EXPECT_TRUE(kept(others, snapshot(sources + QStringLiteral("/others"))));
    EXPECT_TRUE(nothingLeftRunning());
}

// register.dat's input is a path whether it probes or converts: names that
// ffmpeg would read as its protocols are files like any other.
TEST_F(EncoderFaults, InputNamesAreReadAsPathsWhenProbingAndConverting)
{
    clip(QStringLiteral("a.avi"));
    clip(QStringLiteral("b.avi"));
    clip(QStringLiteral("c.avi"));
    const QStringList names{QStringLiteral("concat:a.avi|b.avi"), QStringLiteral("file:c.avi")};
    for (const QString& name : names)
        clip(name, 3);
    const Snapshot library = snapshot(sources);

    for (int i = 0; i < names.size(); ++i) {
        const QString& name = names.at(i);
        const transcast::testclips::RunResult probe =
            transcast::testclips::runRegister({"-i", name}, sources);
        EXPECT_EQ(
            transcast::durationClock(transcast::testclips::readLikeTheApp(probe.output).durationMs),
            QStringLiteral("00:00:03"))
            << name.toStdString() << "\n"
            << probe.output.toStdString();
        const QString output = outputs + QStringLiteral("/%1.avi").arg(i);
        const transcast::testclips::RunResult converted = transcast::testclips::runRegister(
            {"-y", "-i", name, "-vcodec", "mpeg4", "-acodec", "libmp3lame", output}, sources);
        EXPECT_EQ(converted.exitCode, 0) << converted.output.toStdString();
        EXPECT_EQ(secondsIn(output), 3) << name.toStdString() << " was not read as a file";
    }
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

// The CLI watches its signals with them blocked; register.dat and ffmpeg
// must not inherit that, or a stop could not reach them. A failing job says
// why once: the reason ends register.dat's output and is not repeated.
TEST_F(EncoderFaults, EncoderRunsWithInterruptsOpenAndSaysWhyOnce)
{
    const QString longer = clip(QStringLiteral("long.avi"), 30);
    const Snapshot library = snapshot(sources);
    QProcess process;
    startCli(process, convert({longer}));
    const qint64 ffmpeg = waitForProcess({QStringLiteral("ffmpeg"), QStringLiteral("long.mp4")});
    const qint64 encoder =
        waitForProcess({QStringLiteral("register.dat"), QStringLiteral("long.mp4")});
    ASSERT_GT(ffmpeg, 0);
    ASSERT_GT(encoder, 0);
    EXPECT_FALSE(blocks(encoder, SIGINT));
    EXPECT_FALSE(blocks(ffmpeg, SIGINT));
    EXPECT_FALSE(blocks(ffmpeg, SIGTERM));
    ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    process.waitForFinished(10000);

    const transcast::testclips::RunResult failed = transcast::testclips::runRegister(
        {"-y", "-i", longer, "-vcodec", "nosuchcodec", outputs + QStringLiteral("/x.avi")});
    EXPECT_NE(failed.exitCode, 0);
    const QList<QByteArray> lines = failed.output.trimmed().split('\n');
    EXPECT_EQ(failed.output.count("nosuchcodec"), 1) << failed.output.toStdString();
    EXPECT_TRUE(lines.last().contains("nosuchcodec")) << failed.output.toStdString();
    EXPECT_TRUE(kept(library, snapshot(sources)));
    EXPECT_TRUE(nothingLeftRunning());
}

} // namespace
} // namespace faults
