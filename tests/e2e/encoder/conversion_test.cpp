// register.dat converting: the app's command lines, the progress lines it
// parses, failures, being killed, and the AMR output it encodes itself.
#include <csignal>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "clips.h"
#include "support/hostilefiles.h"
#include "common/textutil.h"
#include "engine/encoderrunner.h"
#include "processes.h"
#include "engine/progressscan.h"

using namespace transcast;
using namespace transcast::testclips;

namespace
{

class Conversion : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_folder.filePath(name); }

    // The options the app writes for a 320x240 MPEG-4 job, as the engine
    // splits them: ffmpeg's old "-b" and "-ab", and a decimal comma in the aspect
    // ratio as a comma locale writes it.
    static QStringList appOptions()
    {
        return {"-r",  "25",    "-b",      "300000", "-ab",     "128000",
                "-ac", "2",     "-aspect", "1,3333", "-s",      "320x240",
                "-ar", "44100", "-vcodec", "mpeg4",  "-acodec", "aac"};
    }

    // Starts a ten-second conversion read at the clip's own pace (-re) and
    // returns once it has reported a second of progress.
    void startRealTimeJob(QProcess& job);

    QTemporaryDir m_folder;
};

struct ProgressLine {
    qint64 frame;
    double seconds;
    QByteArray text;
};

// Every "frame=N time=S.ss bitrate=B" line, which must end in a CR.
std::vector<ProgressLine> progressLines(const QByteArray& output)
{
    static const QRegularExpression line(
        QStringLiteral(R"(frame=(\d+) time=(\d+)\.(\d\d) bitrate=(\S+)\r)"));
    std::vector<ProgressLine> lines;
    auto it = line.globalMatch(QString::fromUtf8(output));
    while (it.hasNext()) {
        const auto match = it.next();
        lines.push_back({match.captured(1).toLongLong(),
                         match.captured(2).toDouble() + match.captured(3).toDouble() / 100,
                         match.captured(0).toUtf8()});
    }
    return lines;
}

void Conversion::startRealTimeJob(QProcess& job)
{
    ASSERT_TRUE(makeMovie(path("in.mp4"), 10, {"-c:v", "mpeg4", "-c:a", "aac"}));
    startLikeTheApp(job, registerDat(),
                    {"-y", "-re", "-i", path("in.mp4"), "-vcodec", "mpeg4", path("out.mp4")});
    ASSERT_TRUE(job.waitForStarted(5000));
    QByteArray output;
    ASSERT_TRUE(readUntil(
        job, output,
        [](const QByteArray& text) {
            const auto lines = progressLines(text);
            return !lines.empty() && lines.back().seconds >= 1;
        },
        15000))
        << output.toStdString();
}

// Each line must give the app's progress scan its whole seconds, and no
// other "time=" may stand in the output: the scan takes the first one it
// holds, so ffmpeg's own statistics line in clock form would shadow ours.
void expectReadableByTheApp(const QByteArray& output, const std::vector<ProgressLine>& lines)
{
    for (const ProgressLine& line : lines)
        EXPECT_EQ(parseProgress(line.text), static_cast<int>(line.seconds)) << line.text.data();
    EXPECT_EQ(output.count("time="), static_cast<qsizetype>(lines.size())) << output.data();
}

} // namespace

TEST_F(Conversion, ProgressReachesTheClipLengthInSeconds)
{
    ASSERT_TRUE(makeMovie(path("ten.avi"), 10, {"-c:v", "mpeg4", "-c:a", "libmp3lame"}));
    const QString output = path("my clip's \"ten\" été.mp4");
    const RunResult run =
        runRegister(QStringList{"-y", "-i", path("ten.avi")} + appOptions() + QStringList{output});
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();

    const std::vector<ProgressLine> lines = progressLines(run.output);
    ASSERT_FALSE(lines.empty()) << run.output.toStdString();
    for (size_t i = 1; i < lines.size(); ++i) {
        EXPECT_GE(lines[i].seconds, lines[i - 1].seconds);
        EXPECT_GE(lines[i].frame, lines[i - 1].frame);
    }
    // The app takes the whole seconds before the ".": the last line must say 10.
    EXPECT_EQ(static_cast<int>(lines.back().seconds), 10);
    EXPECT_GE(lines.back().frame, 250);
    expectReadableByTheApp(run.output, lines);
    // The old option spellings reached ffmpeg in today's form.
    EXPECT_FALSE(run.output.contains("ambiguous")) << run.output.toStdString();

    const RunResult probe = runRegister({"-i", output});
    const ProbeResult reading = readLikeTheApp(QString::fromUtf8(probe.output));
    EXPECT_EQ(reading.frameSize, (FrameSize{320, 240}));
    EXPECT_EQ(durationClock(reading.durationMs), QStringLiteral("00:00:10"));
}

// The other fragments the app writes: a duration limit, mono at a low rate
// into an audio-only profile, and the disc targets that replace the size and
// rate options.
TEST_F(Conversion, AppFragmentsAreAccepted)
{
    ASSERT_TRUE(makeMovie(path("in.mp4"), 2, {"-c:v", "mpeg4", "-c:a", "aac"}));
    const QStringList jobs[] = {
        {"-ab", "64000", "-ac", "1", "-t", "00:00:01", "-ar", "22050", "-f", "mp3", "-acodec",
         "libmp3lame", path("out.mp3")},
        {"-ac", "2", "-target", "pal-vcd", path("out.mpg")},
    };
    for (const QStringList& job : jobs) {
        const RunResult run = runRegister(QStringList{"-y", "-i", path("in.mp4")} + job);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
        EXPECT_FALSE(progressLines(run.output).empty());
    }
    const ProbeResult mp3 =
        readLikeTheApp(QString::fromUtf8(runRegister({"-i", path("out.mp3")}).output));
    EXPECT_EQ(durationClock(mp3.durationMs), QStringLiteral("00:00:01"));
    EXPECT_EQ(mp3.audioKbps, 64);
    EXPECT_EQ(
        readLikeTheApp(QString::fromUtf8(runRegister({"-i", path("out.mpg")}).output)).frameSize,
        (FrameSize{352, 288}));
}

// Sound alone, or sound with cover art, has no picture for a video profile:
// the job fails with the reason and writes nothing; audio profiles take it.
TEST_F(Conversion, ASourceWithoutAPictureFailsAVideoProfileOnly)
{
    ASSERT_TRUE(makeClip(path("sound.wav"), toneSource(2), {"-ac", "2"}));
    ASSERT_TRUE(makeClip(path("cover.png"), {"-f", "lavfi", "-i", "color=red:s=64x64:d=1"},
                         {"-frames:v", "1"}));
    ASSERT_TRUE(makeClip(path("song.mp3"), toneSource(2) + QStringList{"-i", path("cover.png")},
                         {"-map", "0:a", "-map", "1:v", "-c:v", "png", "-disposition:v",
                          "attached_pic", "-c:a", "libmp3lame"}));
    for (const QString& source : {path("sound.wav"), path("song.mp3")}) {
        const QString video = path(QFileInfo(source).baseName() + ".mp4");
        const RunResult run = runRegister(QStringList{"-y", "-i", source} + appOptions() +
                                          QStringList{"-f", "mp4", video});
        ASSERT_TRUE(run.finished);
        EXPECT_NE(run.exitCode, 0) << source.toStdString();
        EXPECT_TRUE(run.output.contains("the source has no picture to convert into a video "
                                        "profile"))
            << run.output.toStdString();
        EXPECT_FALSE(QFile::exists(video));

        const QString sound = path(QFileInfo(source).baseName() + ".m4a");
        const RunResult audio = runRegister({"-y", "-i", source, "-ab", "64000", "-ac", "2", "-vn",
                                             "-acodec", "aac", "-f", "ipod", sound});
        EXPECT_EQ(audio.exitCode, 0) << audio.output.toStdString();
        EXPECT_GT(QFileInfo(sound).size(), 0);
    }
}

// The app always names the output by its full path, but a relative one must
// work too, even one that starts with a dash or holds a colon.
TEST_F(Conversion, RelativeOutputNamesAreFiles)
{
    ASSERT_TRUE(makeMovie(path("in.mp4"), 1, {"-c:v", "mpeg4", "-c:a", "aac"}));
    for (const QString& name : {QStringLiteral("-out.mp4"), QStringLiteral("a:b.mp4")}) {
        const RunResult run =
            runRegister({"-y", "-i", path("in.mp4"), "-vcodec", "mpeg4", name}, m_folder.path());
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
        EXPECT_GT(QFileInfo(path(name)).size(), 0) << name.toStdString();
    }
}

TEST_F(Conversion, FailingJobsExitNonZeroWithFfmpegsReason)
{
    ASSERT_TRUE(makeMovie(path("in.mp4"), 1, {"-c:v", "mpeg4", "-c:a", "aac"}));
    QFile blocker(path("a file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const struct {
        QStringList options;
        QString output;
        const char* reason;
    } cases[] = {
        {appOptions(), path("no such folder/out.mp4"), "No such file or directory"},
        {appOptions(), path("a file/out.mp4"), "Not a directory"},
        {{"-vcodec", "nosuchcodec"}, path("out.mp4"), "Unknown encoder 'nosuchcodec'"},
    };
    for (const auto& c : cases) {
        const RunResult run = runRegister(QStringList{"-y", "-i", path("in.mp4")} + c.options +
                                          QStringList{c.output});
        ASSERT_TRUE(run.finished);
        EXPECT_NE(run.exitCode, 0) << c.reason;
        EXPECT_TRUE(run.output.contains(c.reason)) << run.output.toStdString();
    }
}

// A text posing as a video converts nothing, however the app came to ask
// (the listing refuses it first): no output, the reason said, and what it
// names is never read. A real source is read as the format it was told to
// be, so a file changed into a poser meanwhile is not followed either.
TEST_F(Conversion, APoserConvertsNothingAndARealSourceIsReadAsItsOwnFormat)
{
    QTemporaryDir elsewhere;
    const hostilefiles::Posers posers = hostilefiles::makePosers(m_folder.path(), elsewhere.path());
    for (const QString& poser : posers.all()) {
        for (const QString& output : {path("out.mp4"), path("out.amr")}) {
            const RunResult run =
                runRegister(QStringList{"-y", "-i", poser} + appOptions() + QStringList{output});
            EXPECT_EQ(run.exitCode, 1) << poser.toStdString();
            EXPECT_TRUE(run.output.contains(": It is a ")) << run.output.toStdString();
            EXPECT_FALSE(QFile::exists(output)) << poser.toStdString();
        }
    }
    ASSERT_TRUE(makeMovie(path("in.mkv"), 1, {"-c:v", "mpeg4", "-c:a", "aac"}));
    const RunResult explained = runRegister(QStringList{"--explain", "-y", "-i", path("in.mkv")} +
                                            appOptions() + QStringList{path("out.mp4")});
    EXPECT_TRUE(explained.output.contains("-protocol_whitelist file -f matroska -i file:"))
        << explained.output.toStdString();
}

// Without "-y" ffmpeg would ask on the terminal whether to overwrite; the
// app's standard input is a pipe that stays open, so asking would hang the
// batch. It must refuse at once instead.
TEST_F(Conversion, ExistingOutputWithoutOverwriteIsRefused)
{
    ASSERT_TRUE(makeMovie(path("in.mp4"), 1, {"-c:v", "mpeg4", "-c:a", "aac"}));
    QFile existing(path("out.mp4"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();

    const RunResult run = runRegister({"-i", path("in.mp4"), "-vcodec", "mpeg4", path("out.mp4")});
    ASSERT_TRUE(run.finished) << "waited for an answer on standard input";
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.output.contains("already exists")) << run.output.toStdString();
    EXPECT_EQ(QFileInfo(path("out.mp4")).size(), 7);
}

TEST_F(Conversion, MissingFfmpegIsReported)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TRANSCAST_FFMPEG"), path("no-ffmpeg-here"));
    for (const QString& output : {path("out.mp4"), path("out.amr")}) {
        const RunResult run = runRegister({"-y", "-i", path("in.mp4"), output}, {}, env);
        ASSERT_TRUE(run.finished);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.output.contains("cannot start " + path("no-ffmpeg-here").toUtf8()))
            << run.output.toStdString();
        EXPECT_FALSE(QFile::exists(output));
    }
}

// The app stops a job with SIGKILL, which register.dat cannot catch: its
// ffmpeg must die with it and stop writing.
TEST_F(Conversion, KilledRegisterTakesFfmpegWithIt)
{
    QProcess job;
    ASSERT_NO_FATAL_FAILURE(startRealTimeJob(job));
    const QList<qint64> children = childrenOf(job.processId());
    ASSERT_EQ(children.size(), 1);

    job.kill();
    ASSERT_TRUE(job.waitForFinished(5000));
    EXPECT_TRUE(waitForDeath(children.first())) << "ffmpeg outlived register.dat";

    const qint64 size = QFileInfo(path("out.mp4")).size();
    QThread::msleep(700);
    EXPECT_EQ(QFileInfo(path("out.mp4")).size(), size) << "the output still grows";
}

// SIGTERM is passed on: ffmpeg closes the output properly and the job fails.
TEST_F(Conversion, TerminatedRegisterLetsFfmpegCloseTheOutput)
{
    QProcess job;
    ASSERT_NO_FATAL_FAILURE(startRealTimeJob(job));

    job.terminate();
    ASSERT_TRUE(job.waitForFinished(10000));
    EXPECT_NE(job.exitCode(), 0);
    const RunResult probe = runRegister({"-i", path("out.mp4")});
    EXPECT_EQ(probe.exitCode, 0) << probe.output.toStdString();
}

// A failed job leaves no file that looks like an output (the next try would
// otherwise move on to "_1" beside an unplayable one), but a file that stood
// at the name before is not ours to remove. Its last line says what went
// wrong, not how ffmpeg closed down.
TEST_F(Conversion, AFailedJobRemovesOnlyItsOwnOutputAndEndsWithItsReason)
{
    ASSERT_TRUE(makeMovie(path("in.mp4"), 1, {"-c:v", "mpeg4", "-c:a", "aac"}));
    const QStringList oddX264 = {"-vf", "scale=321:241", "-vcodec", "libx264", "-acodec", "aac"};
    const QString reason = QStringLiteral("libx264: width not divisible by 2 (321x241)");

    const RunResult fresh =
        runRegister(QStringList{"-y", "-i", path("in.mp4")} + oddX264 + QStringList{path("a.mp4")});
    ASSERT_TRUE(fresh.finished);
    EXPECT_NE(fresh.exitCode, 0);
    EXPECT_FALSE(QFileInfo::exists(path("a.mp4"))) << "an empty a.mp4 was left behind";
    EXPECT_EQ(EncoderRunner::failureReason(fresh.output), reason) << fresh.output.toStdString();

    QFile existing(path("b.mp4"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    const RunResult replaced =
        runRegister(QStringList{"-y", "-i", path("in.mp4")} + oddX264 + QStringList{path("b.mp4")});
    EXPECT_NE(replaced.exitCode, 0);
    EXPECT_TRUE(QFileInfo::exists(path("b.mp4")));
    EXPECT_TRUE(EncoderRunner::failureReason(replaced.output).contains("already exists"))
        << replaced.output.toStdString();
}

// Conversions side by side may be handed one name: a job writes only into a
// file it creates, or into the empty file its caller created for it when it
// chose the name, whatever "-y" says; and a failed job removes only that.
TEST_F(Conversion, AJobWritesOnlyIntoAFileOfItsOwn)
{
    ASSERT_TRUE(makeMovie(path("in.mp4"), 1, {"-c:v", "mpeg4", "-c:a", "aac"}));
    const auto identity = [](const QString& file) {
        struct stat entry {
        };
        EXPECT_EQ(::stat(QFile::encodeName(file).constData(), &entry), 0);
        return QString::number(entry.st_dev) + ':' + QString::number(entry.st_ino);
    };
    const auto convert = [&](const QString& output, const QString& reserved) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TRANSCAST_RESERVED_OUTPUT"), reserved);
        return runRegister(QStringList{"-y", "-i", path("in.mp4"), "-ab", "64000", output}, {},
                           env);
    };
    const auto makeFile = [&](const char* name, const QByteArray& content) {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path(name);
    };

    // Somebody's files, empty or not, in either writer's way.
    const QString other = makeFile("other.mp4", QByteArray());
    for (const QString& output : {makeFile("kept.mp4", "keep me"), makeFile("kept.amr", "keep me"),
                                  makeFile("empty.mp4", {})}) {
        const RunResult refused = convert(output, identity(other));
        EXPECT_NE(refused.exitCode, 0) << output.toStdString();
        EXPECT_TRUE(refused.output.contains("already exists")) << refused.output.toStdString();
        EXPECT_EQ(QFileInfo(output).size(), output.contains("kept") ? 7 : 0);
    }

    // The caller's reservation is written, for either writer.
    for (const char* name : {"reserved.mp4", "reserved.amr"}) {
        const QString reserved = makeFile(name, {});
        const RunResult run = convert(reserved, identity(reserved));
        EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
        EXPECT_GT(QFileInfo(reserved).size(), 1000) << name;
    }

    // A job that fails removes its reservation.
    const QString failing = makeFile("failing.mp4", {});
    const QStringList oddX264 = {"-vf", "scale=321:241", "-vcodec", "libx264"};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TRANSCAST_RESERVED_OUTPUT"), identity(failing));
    const RunResult failed = runRegister(
        QStringList{"-y", "-i", path("in.mp4")} + oddX264 + QStringList{failing}, {}, env);
    EXPECT_NE(failed.exitCode, 0);
    EXPECT_FALSE(QFileInfo::exists(failing)) << "the reservation was left behind";
}

// "The original width and height" of an odd-sized source: 4:2:0 encoders get
// the nearest even size below it instead of refusing the job.
TEST_F(Conversion, OddFrameSizesConvertAtTheEvenSizeBelow)
{
    ASSERT_TRUE(makeMovie(path("odd.avi"), 1, {"-c:v", "mpeg4", "-c:a", "libmp3lame"},
                          QStringLiteral("321x241")));
    const RunResult run = runRegister({"-y", "-i", path("odd.avi"), "-s", "321x241", "-aspect",
                                       "1.3320", "-vcodec", "libx264", "-pix_fmt", "yuv420p",
                                       "-acodec", "aac", "-f", "mp4", path("out.mp4")});
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const ProbeResult probed = readLikeTheApp(runRegister({"-i", path("out.mp4")}).output);
    EXPECT_EQ(probed.frameSize, (FrameSize{320, 240}));
}

// A source's title tag holding "time=55.00 bitrate=1" is relayed with
// ffmpeg's stream listing; the app would read it as 55 s of progress.
TEST_F(Conversion, TagsInTheSourceCannotFakeProgress)
{
    ASSERT_TRUE(makeClip(
        path("in.avi"), pictureSource(1) + toneSource(1),
        {"-c:v", "mpeg4", "-c:a", "libmp3lame", "-metadata", "title=time=55.00 bitrate=1"}));
    const RunResult run =
        runRegister({"-y", "-i", path("in.avi"), "-vcodec", "mpeg4", path("out.avi")});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto lines = progressLines(run.output);
    ASSERT_FALSE(lines.empty());
    expectReadableByTheApp(run.output, lines);
    EXPECT_TRUE(run.output.contains("title")) << "the listing itself still passes";
}

TEST_F(Conversion, AKilledFfmpegIsNamedAsTheReason)
{
    QProcess job;
    ASSERT_NO_FATAL_FAILURE(startRealTimeJob(job));
    const QList<qint64> children = childrenOf(job.processId());
    ASSERT_EQ(children.size(), 1);
    ::kill(static_cast<pid_t>(children.first()), SIGKILL);
    ASSERT_TRUE(job.waitForFinished(10000));
    EXPECT_EQ(job.exitCode(), 128 + SIGKILL);
    const QByteArray output = job.readAll();
    EXPECT_EQ(EncoderRunner::failureReason(output), QStringLiteral("ffmpeg was killed by signal 9"))
        << output.toStdString();
}

// register.dat never outlives its caller: when the program that started it
// dies, it goes too (and its ffmpeg with it).
TEST_F(Conversion, RegisterDiesWithItsCaller)
{
    ASSERT_TRUE(makeMovie(path("in.mp4"), 10, {"-c:v", "mpeg4", "-c:a", "aac"}));
    QProcess caller;
    caller.start(QStringLiteral("sh"),
                 {"-c",
                  "\"$0\" -y -re -i \"$1\" -vcodec mpeg4 \"$2\" >/dev/null 2>&1 & "
                  "echo $!; wait",
                  registerDat(), path("in.mp4"), path("out.mp4")});
    ASSERT_TRUE(caller.waitForReadyRead(5000));
    const qint64 encoder = caller.readLine().trimmed().toLongLong();
    ASSERT_GT(encoder, 0);
    QThread::msleep(500);
    ASSERT_FALSE(processState(encoder).isEmpty());
    caller.kill();
    caller.waitForFinished(5000);
    EXPECT_TRUE(waitForDeath(encoder)) << "register.dat outlived its caller";
}

class AmrOutput : public Conversion
{
protected:
    // Runs the job the app writes for the AMR profile.
    RunResult convert(const QString& input, const QString& bitrate, const QString& output,
                      bool overwrite = true)
    {
        QStringList arguments;
        if (overwrite)
            arguments << "-y";
        arguments << "-i" << input << "-ab" << bitrate << "-ac"
                  << "1"
                  << "-ar"
                  << "8000" << output;
        return runRegister(arguments);
    }
};

TEST_F(AmrOutput, EncodesNarrowBandAmrAtTheRequestedRate)
{
    // PCM sound: decoded to exactly 3 s, with no codec delay or padding.
    ASSERT_TRUE(makeMovie(path("in.mov"), 3, {"-c:v", "mpeg4", "-c:a", "pcm_s16le"}));
    const struct {
        const char* bitrate;
        char frameHeader; // mode << 3 | quality bit
        int frameBytes;
    } rates[] = {{"12200", 0x3c, 32}, {"4750", 0x04, 13}, {"7400", 0x24, 20}};
    for (const auto& rate : rates) {
        const QString output = path(QStringLiteral("out %1.AMR").arg(rate.bitrate));
        const RunResult run = convert(path("in.mov"), rate.bitrate, output);
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
        const auto lines = progressLines(run.output);
        ASSERT_FALSE(lines.empty()) << run.output.toStdString();
        EXPECT_EQ(static_cast<int>(lines.back().seconds), 3);
        expectReadableByTheApp(run.output, lines);

        QFile file(output);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        ASSERT_TRUE(data.startsWith("#!AMR\n"));
        EXPECT_EQ(data.at(6), rate.frameHeader) << rate.bitrate;
        // 3 s of sound at 50 frames a second.
        EXPECT_EQ(data.size(), 6 + 150 * rate.frameBytes) << rate.bitrate;

        const RunResult ffprobe = runProgram(
            QStringLiteral("ffprobe"), {"-v", "error", "-show_entries",
                                        "stream=codec_name,sample_rate,channels:format=duration",
                                        "-of", "default=noprint_wrappers=1", output});
        EXPECT_TRUE(ffprobe.output.contains("codec_name=amr_nb")) << ffprobe.output.toStdString();
        EXPECT_TRUE(ffprobe.output.contains("sample_rate=8000"));
        EXPECT_TRUE(ffprobe.output.contains("channels=1"));
        EXPECT_TRUE(ffprobe.output.contains("duration=3.0")) << ffprobe.output.toStdString();
    }
}

TEST_F(AmrOutput, FailuresLeaveNoFileAndKeepExistingOnes)
{
    const RunResult missing = convert(path("missing.avi"), "12200", path("out.amr"));
    ASSERT_TRUE(missing.finished);
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(missing.output.contains("No such file or directory"))
        << missing.output.toStdString();
    EXPECT_FALSE(QFile::exists(path("out.amr")));

    ASSERT_TRUE(makeClip(path("silent.mp4"), pictureSource(1), {"-c:v", "mpeg4"}));
    const RunResult silent = convert(path("silent.mp4"), "12200", path("out.amr"));
    EXPECT_NE(silent.exitCode, 0) << "a file without sound gives no AMR";
    EXPECT_FALSE(QFile::exists(path("out.amr")));

    QFile existing(path("kept.amr"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    ASSERT_TRUE(makeClip(path("tone.wav"), toneSource(1), {}));
    const RunResult refused = convert(path("tone.wav"), "12200", path("kept.amr"), false);
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.output.contains("already exists")) << refused.output.toStdString();
    EXPECT_EQ(QFileInfo(path("kept.amr")).size(), 7);
}
