// transcast-cli as users run it: the built program started as a child, its
// output read back, over the real register.dat and ffmpeg.
#include <csignal>
#include <cstdio>

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "common/inifile.h"
#include "common/textutil.h"
#include "control/controller.h"
#include "profiles/estimator.h"
#include "e2e/encoder/clips.h"
#include "support/scriptedinteraction.h"
#include "support/finishadd.h"
#include "support/trackclips.h"
#include "support/turnedclips.h"

using namespace transcast;

namespace
{

struct CliRun {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

class Cli : public ::testing::Test
{
protected:
    QTemporaryDir work; // sources, outputs and a home of their own
    QString home;

    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        home = work.filePath(QStringLiteral("home"));
        QDir().mkpath(home + QStringLiteral("/config"));
    }

    static QString program() { return QStringLiteral(TRANSCAST_BIN_DIR "/transcast-cli"); }

    // The user's home and config folder point into the test's folder, so a
    // stray write would show there rather than in the real ones.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        return env;
    }

    void start(QProcess& process, const QStringList& arguments) const
    {
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(work.path());
        process.start(program(), arguments);
    }

    CliRun run(const QStringList& arguments, int timeoutMs = 120000) const
    {
        QProcess process;
        start(process, arguments);
        CliRun result;
        result.finished = process.waitForFinished(timeoutMs);
        if (!result.finished)
            process.kill();
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    QString clip(const QString& name, double seconds = 2)
    {
        const QString path = work.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(testclips::makeMovie(path, seconds, {"-c:v", "mpeg4", "-c:a", "libmp3lame"},
                                         QStringLiteral("640x480")));
        return path;
    }

    QString textFile(const QString& name)
    {
        const QString path = work.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a video\n");
        return path;
    }

    // Every file below a folder, relative to it.
    static QStringList filesBelow(const QString& folder)
    {
        QStringList files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(folder).relativeFilePath(it.next());
        files.sort();
        return files;
    }
};

// The same core, in this process: what the window would show for a file.
class InProcessController
{
public:
    ScriptedInteraction interaction;
    RecordingShell shell;
    Controller controller{
        Edition(QStringLiteral("transcast-cli"), QStringLiteral(TRANSCAST_BIN_DIR)), interaction,
        shell};

    explicit InProcessController(int profile)
    {
        controller.profile().picker().selectSubIndex = profile;
        controller.profile().selectProfile(profile);
    }
};

} // namespace

TEST_F(Cli, ListsEveryProfileWithItsNameAndExtension)
{
    const CliRun result = run({"profiles"});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0);
    const QStringList lines = result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 132);
    EXPECT_TRUE(lines.contains(QStringLiteral("122\tMP4 - H.264 Video Normal(*.mp4)\t.mp4")));
    // The multiplication sign arrives as UTF-8 whatever the locale.
    EXPECT_TRUE(lines.contains(QStringLiteral("27\tiPod(320\u00d7240)MPEG-4 Codec(*.mp4)\t.mp4")));
    EXPECT_TRUE(lines.contains(QStringLiteral("53\tPS3 Video(1080P)MPEG-4(*.MP4)\t.MP4")));
    EXPECT_EQ(lines.first(), QStringLiteral("1\tASF-Advanced Streaming Format(*.asf)\t.asf"));
}

TEST_F(Cli, ProbeShowsTheRowAFileGetsAndWhyAnotherIsSkipped)
{
    const QString movie = clip(QStringLiteral("my clip.avi"));
    const QString notes = textFile(QStringLiteral("notes.txt"));
    const CliRun result = run({"probe", "--profile", "122", movie, notes});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1) << "a skipped file makes the run fail";
    const QStringList lines = result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << result.out.toStdString();
    // The row and the choices are the ones the window's own rules give.
    InProcessController window(122);
    EXPECT_EQ(lines[0], QStringLiteral("profile 122 MP4 - H.264 Video Normal(*.mp4); size ") +
                            window.controller.boxes().size.currentText() +
                            QStringLiteral("; video Normal; audio Normal"));
    window.controller.sources().addChosenFiles({movie});
    transcast::testing::finishAdd(window.controller.sources());
    const JobList& jobs = window.controller.jobs();
    ASSERT_EQ(jobs.rowCount(), 1);
    const SourceInfo info = jobs.sourceInfo(0);
    EXPECT_EQ(
        lines[1],
        QStringList(
            {"my clip", "640x480", "00:00:02", jobs.subItem(0, JobList::OutputSizeColumn),
             QStringLiteral("video %1 kb/s").arg(info.videoKbps),
             QStringLiteral("audio %1 kb/s").arg(info.audioKbps),
             QStringLiteral("estimate %1 kb/s").arg(window.controller.estimator().totalKbps(info)),
             movie})
            .join(QLatin1Char('\t')));
    EXPECT_TRUE(jobs.subItem(0, JobList::OutputSizeColumn).endsWith(QStringLiteral("MB")));

    EXPECT_EQ(lines[2], QStringLiteral("notes.txt\tskipped\t") + notes +
                            QStringLiteral(": Invalid data found when processing input"));
}

TEST_F(Cli, ProbeAppliesTheEditionsDefaultProfileAndTheChoices)
{
    const QString movie = clip(QStringLiteral("clip.avi"));
    const CliRun mp4 = run({"probe", "--edition", "transcast-mp4", movie});
    EXPECT_EQ(mp4.exitCode, 0) << mp4.err.toStdString();
    EXPECT_TRUE(mp4.out.startsWith(QStringLiteral("profile 118 MP4 - MPEG4 Video Mini(*.mp4);")))
        << mp4.out.toStdString();

    // An audio-only profile counts only the audio: 32 kb/s for 2 s.
    const CliRun audio = run({"probe", "--profile", "17", "--audio", "Lower Quality", movie});
    EXPECT_EQ(audio.exitCode, 0) << audio.err.toStdString();
    EXPECT_TRUE(audio.out.contains(QStringLiteral("; size -; video -; audio Lower Quality\n")))
        << audio.out.toStdString();
    EXPECT_TRUE(audio.out.contains(QStringLiteral("\t00:00:02\t0.01MB\t")))
        << audio.out.toStdString();
}

TEST_F(Cli, DryRunPrintsTheExactCommandLineAndCreatesNothing)
{
    const QString movie = clip(QStringLiteral("my videos/my clip.avi"));
    const QString output = work.filePath(QStringLiteral("out folder"));
    const CliRun result = run({"convert", "--profile", "122", "--size", "640x480", "--output",
                               output, "--dry-run", movie});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();

    InProcessController window(122);
    const QString expected =
        quoteArgument(QStringLiteral(TRANSCAST_BIN_DIR "/register.dat")) +
        QStringLiteral(" -y  -i \"") + movie +
        QStringLiteral(
            "\" -r 25 -b 1598000 -ab 128000 -ac 2  -aspect 1.3333 -s 640x480  -ar 44100 ") +
        window.controller.profile().optionLine() + QStringLiteral(" \"") + output +
        QStringLiteral("/my clip.mp4\"");
    EXPECT_EQ(result.out, expected + QLatin1Char('\n'));
    EXPECT_FALSE(QFileInfo::exists(output)) << "a dry run creates no folder";
}

TEST_F(Cli, CheckProfilesConvertsWithTheProgramsOwnCommandLines)
{
    // The tool that converts a clip with every profile must test the command
    // lines the program writes, not a copy of its rules that drifts from them.
    const QString movie = clip(QStringLiteral("source.avi"));
    QProcess script;
    script.setProcessEnvironment(environment());
    script.start(QStringLiteral("python3"),
                 {QStringLiteral(TRANSCAST_SOURCE_DIR "/scripts/check-profiles"), "--cli",
                  program(), "--source", movie, "-p", "1,131", "-j", "1", "-v"});
    ASSERT_TRUE(script.waitForFinished(120000));
    const QString out = QString::fromUtf8(script.readAllStandardOutput());
    EXPECT_EQ(script.exitCode(), 0) << out.toStdString() << script.readAllStandardError().data();
    for (const QString& profile : {QStringLiteral("1"), QStringLiteral("131")}) {
        const CliRun dry = run({"convert", "--dry-run", "--profile", profile, "--output",
                                work.filePath(QStringLiteral("out")), movie});
        const QString line = dry.out.trimmed();
        // All but the output file, which the tool names itself.
        const QString job = line.left(line.lastIndexOf(QLatin1Char(' ')));
        EXPECT_TRUE(out.contains(QStringLiteral("  %1: %2 ").arg(profile, job)))
            << job.toStdString() << "\n"
            << out.toStdString();
    }
}

TEST_F(Cli, ConvertsTwoClipsAndReportsEachRowInPlainLines)
{
    const QString one = clip(QStringLiteral("sources/one.avi"));
    clip(QStringLiteral("sources/two.avi"));
    textFile(QStringLiteral("sources/readme.txt")); // not a video extension: not listed
    const QString output = work.filePath(QStringLiteral("out"));
    const CliRun result =
        run({"convert", "--profile", "118", "--output", output, work.filePath("sources")});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.out.toStdString() << result.err.toStdString();
    EXPECT_FALSE(result.out.contains(QLatin1Char('\r'))) << "not a terminal: plain lines";
    QStringList lines = result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // The batch's own lines tell times, which vary: their form is checked.
    const QRegularExpression timed(QStringLiteral(
        "^(Converting [12] of 2 \u00b7 00:00:\\d\\d elapsed \u00b7 (estimating\u2026|about "
        "00:00:\\d\\d left)|2 converted, 0 failed in 00:00:\\d\\d)$"));
    QStringList batchLines;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("Converting ")) ||
            line.contains(QLatin1String(" in 00:")))
            batchLines << line;
    }
    lines.removeIf([&](const QString& line) { return batchLines.contains(line); });
    EXPECT_EQ(lines.mid(1), QStringList({"output folder " + output + "/", "[1/2] one: converting",
                                         "[1/2] one: Finish", "[2/2] two: converting",
                                         "[2/2] two: Finish", "2 finished, 0 failed"}));
    ASSERT_EQ(batchLines.size(), 3) << result.out.toStdString();
    for (const QString& line : batchLines)
        EXPECT_TRUE(timed.match(line).hasMatch()) << line.toStdString();
    EXPECT_TRUE(batchLines[0].startsWith(QStringLiteral("Converting 1 of 2")));
    EXPECT_TRUE(batchLines[1].startsWith(QStringLiteral("Converting 2 of 2")));
    EXPECT_EQ(filesBelow(output), QStringList({"one.mp4", "two.mp4"}));
    EXPECT_GT(QFileInfo(QDir(output).filePath("one.mp4")).size(), 1000);

    // A second run keeps the first outputs and picks free names.
    const CliRun again = run({"convert", "--profile", "118", "--output", output, one});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(filesBelow(output), QStringList({"one.mp4", "one_1.mp4", "two.mp4"}));
}

// A film's chapters (names and starts) and its title reach the MP4 and MKV
// outputs.
TEST_F(Cli, ChaptersAndTheTitleSurviveIntoMp4AndMkv)
{
    const QString metadata = work.filePath(QStringLiteral("chapters.txt"));
    {
        QFile file(metadata);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(";FFMETADATA1\ntitle=Summer film\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1500\ntitle=Opening\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1500\nEND=3000\ntitle=Ending\n");
    }
    const QString source = work.filePath(QStringLiteral("film.mkv"));
    ASSERT_TRUE(testclips::makeClip(source,
                                    testclips::pictureSource(3) + testclips::toneSource(3) +
                                        QStringList{"-i", metadata},
                                    {"-map", "0", "-map", "1", "-map_metadata", "2",
                                     "-map_chapters", "2", "-c:v", "mpeg4", "-c:a", "aac"}));
    const QString output = work.filePath(QStringLiteral("out"));
    for (const char* profile : {"5", "125"}) { // MP4 AVC, MKV H.264
        const CliRun result = run({"convert", "--profile", profile, "--output", output, source});
        ASSERT_EQ(result.exitCode, 0) << result.out.toStdString() << result.err.toStdString();
    }
    for (const char* name : {"film.mp4", "film.mkv"}) {
        const testclips::RunResult probe = testclips::runProgram(
            QStringLiteral("ffprobe"),
            {"-v", "error", "-show_chapters", "-show_entries", "format_tags=title", "-of",
             "compact=p=0:nk=1", QDir(output).filePath(name)});
        ASSERT_EQ(probe.exitCode, 0) << name;
        QStringList lines = QString::fromUtf8(probe.output).split('\n', Qt::SkipEmptyParts);
        // id|time base|start|start time|end|end time|title: the times and
        // names, whatever the container's time base and numbering.
        QStringList seen;
        for (const QString& line : lines) {
            const QStringList fields = line.split('|');
            seen << (fields.size() == 7 ? fields[3] + ' ' + fields[5] + ' ' + fields[6] : line);
        }
        EXPECT_EQ(seen, QStringList({"0.000000 1.500000 Opening", "1.500000 3.000000 Ending",
                                     "Summer film"}))
            << name;
    }
}

// Phone videos, stored turned: every output stands upright in the frame,
// in the shape it is shown at (a portrait picture between bars).
TEST_F(Cli, TurnedVideosConvertUpright)
{
    QHash<QString, QSize> shown;
    QStringList sources;
    QDir().mkpath(work.filePath("sources"));
    for (const QSize& stored :
         {QSize(640, 360), QSize(1280, 720), QSize(1920, 1080), QSize(854, 480)}) {
        for (const int rotation : {90, 180, 270}) {
            for (const char* suffix : {"mp4", "mov"}) {
                const QString name = QStringLiteral("phone-%1x%2-%3-%4")
                                         .arg(stored.width())
                                         .arg(stored.height())
                                         .arg(rotation)
                                         .arg(suffix);
                sources << work.filePath("sources/" + name + "." + suffix);
                ASSERT_TRUE(turnedclips::makeTurnedClip(sources.last(), stored, rotation, 0.4));
                shown.insert(name, turnedclips::shownSize(stored, rotation));
            }
        }
    }
    const QString output = work.filePath(QStringLiteral("out"));
    // Named one by one: a folder's scan passes .mov files over.
    const CliRun result = run(
        QStringList{"convert", "--profile", "118", "--jobs", "2", "--output", output} + sources);
    EXPECT_EQ(result.exitCode, 0) << result.out.toStdString() << result.err.toStdString();
    for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        const QString converted = QDir(output).filePath(it.key() + ".mp4");
        const testclips::RunResult size = testclips::runProgram(
            "ffprobe", {"-v", "error", "-select_streams", "v", "-show_entries",
                        "stream=width,height", "-of", "csv=p=0", converted});
        const QStringList sides = QString::fromUtf8(size.output).trimmed().split(',');
        ASSERT_EQ(sides.size(), 2) << size.output.toStdString();
        const int width = sides[0].toInt(), height = sides[1].toInt();
        QProcess decode;
        decode.start("ffmpeg", {"-v", "error", "-i", converted, "-frames:v", "1", "-f", "rawvideo",
                                "-pix_fmt", "bgra", "-"});
        ASSERT_TRUE(decode.waitForFinished(30000));
        const QByteArray pixels = decode.readAllStandardOutput();
        ASSERT_EQ(pixels.size(), qsizetype(width) * height * 4);
        const turnedclips::Reading reading = turnedclips::readPattern(
            reinterpret_cast<const uchar*>(pixels.constData()), width, height, width * 4);
        EXPECT_TRUE(reading.upright);
        EXPECT_TRUE(turnedclips::sameShape(reading.box, it.value(), 0.1))
            << reading.box.width() << "x" << reading.box.height() << " in " << width << "x"
            << height;
    }
}

TEST_F(Cli, JobsConvertSideBySideAndTheSettingsGiveTheDefault)
{
    if (Preferences::maxConversionsAtOnce() < 2)
        GTEST_SKIP() << "one core: nothing converts side by side";
    clip(QStringLiteral("sources/one.avi"), 6);
    clip(QStringLiteral("sources/two.avi"), 6);
    const QString output = work.filePath(QStringLiteral("out"));
    const QString config = work.filePath(QStringLiteral("settings"));
    QDir().mkpath(config);
    IniFile(QDir(config).filePath(QStringLiteral("transcast-cli.ini")))
        .writeInteger(QStringLiteral("batch"), QStringLiteral("conversionsAtOnce"), 2);
    for (const QStringList& asked : {QStringList{"--jobs", "2"}, QStringList{"--config", config},
                                     QStringList{"--config", config, "--jobs", "1"}}) {
        const CliRun result = run(QStringList{"convert", "--profile", "118", "--output", output} +
                                  asked + QStringList{work.filePath("sources")});
        EXPECT_EQ(result.exitCode, 0) << result.out.toStdString() << result.err.toStdString();
        const bool together = result.out.contains(QStringLiteral("Converting 1\u20132 of 2"));
        EXPECT_EQ(together, asked.last() != QLatin1String("1")) << result.out.toStdString();
        EXPECT_TRUE(result.out.contains(QStringLiteral("[2/2] two: Finish")));
        EXPECT_TRUE(result.out.contains(QStringLiteral("2 converted, 0 failed in 00:")));
    }
}

TEST_F(Cli, AFailedRowIsReportedWithItsReason)
{
    const QString movie = clip(QStringLiteral("clip.avi"));
    // An ffmpeg that is not there: the encoder fails the job and says why.
    qputenv("TRANSCAST_FFMPEG", work.filePath(QStringLiteral("no-ffmpeg")).toLocal8Bit());
    const CliRun result = run(
        {"convert", "--profile", "118", "--output", work.filePath(QStringLiteral("out")), movie});
    qunsetenv("TRANSCAST_FFMPEG");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.contains(QStringLiteral("[1/1] clip: Failed: ")))
        << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("0 finished, 1 failed")));
}

TEST_F(Cli, AFinishedRowShowsWhatTheEncoderHadToChange)
{
    // A noisy picture at the lowest rate the ASF profile asks for a QCIF
    // frame: msmpeg4 cannot go that low, the encoder says so, and the file is
    // kept.
    const QString raw = work.filePath(QStringLiteral("raw.avi"));
    ASSERT_TRUE(testclips::makeClip(
        raw,
        QStringList{"-f", "lavfi", "-i", "testsrc=d=1:s=640x480:r=25,noise=alls=100:allf=t"} +
            testclips::toneSource(1),
        {"-ac", "2", "-c:v", "rawvideo", "-pix_fmt", "yuv420p", "-c:a", "pcm_s16le"}));
    const QString output = work.filePath(QStringLiteral("out"));
    const CliRun result = run({"convert", "--profile", "1", "--size", "176x144(QCIF)", "--video",
                               "Lower Quality", "--output", output, raw});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.out.toStdString() << result.err.toStdString();
    const QStringList lines = result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const qsizetype finished = lines.indexOf(QStringLiteral("[1/1] raw: Finish"));
    ASSERT_GE(finished, 0) << result.out.toStdString();
    ASSERT_LT(finished + 1, lines.size());
    EXPECT_TRUE(
        lines[finished + 1].startsWith(QStringLiteral("    register.dat: the output holds")))
        << result.out.toStdString();
    EXPECT_GT(QFileInfo(QDir(output).filePath("raw.asf")).size(), 1000);
}

TEST_F(Cli, ASkippedSourceFailsTheRunButTheOthersConvert)
{
    const QString movie = clip(QStringLiteral("clip.avi"));
    const QString notes = textFile(QStringLiteral("notes.avi"));
    const QString output = work.filePath(QStringLiteral("out"));
    const CliRun result = run({"convert", "--profile", "118", "--output", output, notes, movie});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, QStringLiteral("transcast-cli: skipped ") + notes +
                              QStringLiteral(": Invalid data found when processing input\n"));
    EXPECT_TRUE(result.out.contains(QStringLiteral("[1/1] clip: Finish")));
    EXPECT_TRUE(result.out.contains(QStringLiteral("1 finished, 0 failed, 1 skipped")));
}

TEST_F(Cli, BadUsageExitsWithTwoAndSaysWhy)
{
    const QString movie = clip(QStringLiteral("clip.avi"));
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{"convert", "--quality", "1", movie}, "unknown option '--quality'"},
        {{"convert", movie, "--size"}, "'--size' needs a value"},
        {{"convert", "--profile", "33", movie}, "there is no profile 33"},
        {{"convert", "--profile", "122"}, "convert needs at least one file or folder"},
        {{"convert", "--profile", "122", "--size", "800x600", "--dry-run", movie},
         "--size: profile 122 offers no frame size \"800x600\"; it offers 0 \"176x144(QCIF)\""},
        {{"probe", "--profile", "17", "--video", "0", movie},
         "--video: profile 17 has no video quality to choose"},
        {{"convert", "--profile", "112", "--audio", "Normal", "--dry-run", movie},
         "--audio: profile 112 has no audio quality to choose"},
        {{"convert", "--chapters", "--dry-run", movie}, "go with a DVD edition"},
        {{"dvd", "--edition", "transcast-mp4", movie}, "only a DVD edition reads"},
        {{"dvd", "--rows", "1", movie}, "'--rows' goes with convert only"},
        {{"probe", "--config", "/dev/null/settings", movie},
         "--config: cannot make the folder /dev/null/settings"},
        {{"convert", "--jobs", "0", movie}, "--jobs takes 1 to "},
        {{"convert", "--jobs", "999", movie}, "(this machine's cores), not '999'"},
        {{"probe", "--jobs", "1", movie}, "'--jobs' goes with convert only"},
    };
    for (const auto& c : cases) {
        const CliRun result = run(c.arguments);
        EXPECT_EQ(result.exitCode, 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains(QString::fromUtf8(c.message)))
            << c.arguments.join(' ').toStdString() << "\n"
            << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
    }
}

TEST_F(Cli, SettingsAreReadAndWrittenOnlyInTheFolderGiven)
{
    const QString movie = clip(QStringLiteral("clip.avi"));
    // Without --config nothing is read or written: a real conversion leaves
    // the home folder as it was.
    const CliRun plain = run(
        {"convert", "--profile", "27", "--output", work.filePath(QStringLiteral("out")), movie});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(filesBelow(home), QStringList());
    EXPECT_TRUE(QDir(home + QStringLiteral("/config")).isEmpty());

    // The profile's remembered choice comes from the folder given.
    const QString config = work.filePath(QStringLiteral("settings"));
    QDir().mkpath(config);
    QFile remembered(QDir(config).filePath(QStringLiteral("pro transcast-cli.ini")));
    ASSERT_TRUE(remembered.open(QIODevice::WriteOnly));
    remembered.write("[27]\r\nsize=1\r\naudio bitrate=0\r\n");
    remembered.close();
    const CliRun configured =
        run({"convert", "--profile", "27", "--config", config, "--dry-run", movie});
    EXPECT_EQ(configured.exitCode, 0) << configured.err.toStdString();
    EXPECT_TRUE(configured.out.contains(QStringLiteral(" -ab 320000 ")))
        << configured.out.toStdString();
    EXPECT_TRUE(configured.out.contains(QStringLiteral(" -s 240x180 ")))
        << configured.out.toStdString();
    EXPECT_EQ(filesBelow(config), QStringList({"pro transcast-cli.ini", "transcast-cli.ini"}));
    EXPECT_EQ(filesBelow(home), QStringList());

    // Without it the same run takes the built-in choices.
    const CliRun defaults = run({"convert", "--profile", "27", "--dry-run", movie});
    EXPECT_TRUE(defaults.out.contains(QStringLiteral(" -ab 128000 ")))
        << defaults.out.toStdString();
    EXPECT_TRUE(defaults.out.contains(QStringLiteral(" -s 320x240 ")))
        << defaults.out.toStdString();
}

TEST_F(Cli, CtrlCStopsTheBatchLikeTheStopButton)
{
    const QString first = clip(QStringLiteral("first.avi"));
    const QString longer = clip(QStringLiteral("long.avi"), 60);
    const QString output = work.filePath(QStringLiteral("out"));
    QProcess process;
    start(process, {"convert", "--profile", "122", "--output", output, first, longer, first});
    ASSERT_TRUE(process.waitForStarted());
    QByteArray out;
    ASSERT_TRUE(testclips::readUntil(
        process, out,
        [](const QByteArray& text) { return text.contains("[2/3] long: converting"); }, 60000))
        << out.toStdString();
    // Let the encoder get going, so that the stop really interrupts it: wait
    // for its output file to hold bytes rather than for a fixed time, which a
    // loaded machine may not reach.
    const QString partial = QDir(output).filePath(QStringLiteral("long.mp4"));
    ASSERT_TRUE(testclips::readUntil(
        process, out, [&](const QByteArray&) { return QFileInfo(partial).size() > 0; }, 60000))
        << out.toStdString();
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(30000));
    out += process.readAllStandardOutput();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 130);
    const QString text = QString::fromUtf8(out);
    EXPECT_TRUE(text.contains(QStringLiteral("[1/3] first: Finish\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("[2/3] long: Stop\n"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("[3/3]"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("1 finished, 0 failed, 1 stopped, 1 not started")))
        << text.toStdString();
    EXPECT_EQ(filesBelow(output), QStringList({"first.mp4", "long.mp4"}))
        << "the partly written output stays";
}

// Written to a log, a long job still shows it is under way, however seldom
// its encoder reports (here: not at all, held still).
TEST_F(Cli, ALogGetsAProgressLineEveryTenSeconds)
{
    const QString longer = clip(QStringLiteral("long.avi"), 60);
    QProcess process;
    start(process, {"convert", "--profile", "122", "--output", work.filePath("out"), longer});
    QByteArray out;
    ASSERT_TRUE(testclips::readUntil(
        process, out,
        [](const QByteArray& text) { return text.contains("long: converting\nConverting 1 of 1"); },
        60000))
        << out.toStdString();
    // The conversion's register.dat once it runs as itself (a child still
    // on its way to exec holds the CLI up in posix_spawn).
    pid_t encoder = 0;
    for (int tries = 0; encoder == 0 && tries < 100; ++tries) {
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(process.processId()));
        children.open(QIODevice::ReadOnly);
        for (const QByteArray& child : children.readAll().trimmed().split(' ')) {
            QFile line(QStringLiteral("/proc/%1/cmdline").arg(QString::fromLatin1(child)));
            const QByteArray words = line.open(QIODevice::ReadOnly) ? line.readAll() : QByteArray();
            if (words.contains("register.dat") && words.contains(QByteArray("\0-i\0", 4)))
                encoder = child.toInt();
        }
        QThread::msleep(50);
    }
    ASSERT_GT(encoder, 0);
    ::kill(encoder, SIGSTOP);
    const int before = out.count("Converting 1 of 1");
    const bool logged = testclips::readUntil(
        process, out,
        [&](const QByteArray& text) { return text.count("Converting 1 of 1") > before; }, 15000);
    ::kill(encoder, SIGCONT);
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_TRUE(logged) << out.toStdString();
    EXPECT_TRUE(out.contains("  [1/1] long  ")) << out.toStdString();
    EXPECT_FALSE(out.contains('\r'));
}

// With --config but no --profile the settings' last profile is used and
// nothing is written; --profile N records N, and options may come first.
TEST_F(Cli, OnlyAChosenProfileIsRecorded)
{
    const QString movie = clip(QStringLiteral("clip.avi"));
    const QString config = work.filePath(QStringLiteral("settings"));
    QDir().mkpath(config);
    const QString settings = QDir(config).filePath(QStringLiteral("transcast-cli.ini"));
    const QByteArray recorded = "[profiles]\r\nselcetsubindex=27\r\n";
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(recorded);
    file.close();

    const CliRun plain = run({"--config", config, "probe", movie});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_TRUE(plain.out.startsWith(QStringLiteral("profile 27 "))) << plain.out.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), recorded);
    file.close();

    const CliRun chosen = run({"--config", config, "--profile", "122", "probe", movie});
    EXPECT_EQ(chosen.exitCode, 0) << chosen.err.toStdString();
    EXPECT_EQ(IniFile(settings).readInteger(QStringLiteral("profiles"),
                                            QStringLiteral("selcetsubindex"), 0),
              122);
}

// Without an encoder nothing can be read: one line says so, with the
// encoder's path and the reason, and the run fails.
TEST_F(Cli, AMissingEncoderIsOneClearLine)
{
    const QString movie = clip(QStringLiteral("clip.avi"));
    const QString program = work.filePath(QStringLiteral("program"));
    QDir().mkpath(program);
    for (const char* name : {"transcast-cli", "profiles.pop"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(TRANSCAST_BIN_DIR "/") + QLatin1String(name),
                                QDir(program).filePath(QLatin1String(name))));
    for (const char* command : {"probe", "convert"}) {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QDir(program).filePath(QStringLiteral("transcast-cli")),
                      {QLatin1String(command), movie, movie});
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 1) << command;
        EXPECT_EQ(process.readAllStandardError().toStdString(),
                  QStringLiteral("transcast-cli: error: Cannot start the encoder %1: No such file "
                                 "or directory\n")
                      .arg(QDir(program).filePath(QStringLiteral("register.dat")))
                      .toStdString())
            << command;
    }
}

// A name that is not UTF-8 cannot be listed: the run says which, converts
// the rest and fails.
TEST_F(Cli, AFileNameThatIsNotUtf8IsSkippedVisibly)
{
    const QString folder = work.filePath(QStringLiteral("sources"));
    clip(QStringLiteral("sources/good.avi"));
    const QByteArray raw = QFile::encodeName(folder) + "/caf\xe9.avi";
    FILE* made = std::fopen(raw.constData(), "w");
    ASSERT_NE(made, nullptr);
    std::fclose(made);
    const CliRun result = run({"probe", "--profile", "118", folder});
    EXPECT_EQ(result.exitCode, 1);

    // Named on the command line beside a good one, through a shell that
    // passes the bytes.
    QProcess named;
    named.setProcessEnvironment(environment());
    named.start(QStringLiteral("sh"),
                {"-c",
                 "exec \"$0\" convert --profile 122 --output \"$1/out\" \"$1/good.avi\" "
                 "\"$1\"/\"$(printf 'caf\\351.avi')\"",
                 program(), folder});
    ASSERT_TRUE(named.waitForFinished(60000));
    EXPECT_EQ(named.exitCode(), 1);
    EXPECT_TRUE(named.readAllStandardError().contains(
        "skipped " + QFile::encodeName(folder) + "/caf\\xe9.avi: the name is not valid UTF-8"));
    EXPECT_TRUE(named.readAllStandardOutput().contains("1 finished, 0 failed, 1 skipped"));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/out/good.mp4")));
    EXPECT_TRUE(result.err.contains(QStringLiteral("not valid UTF-8")) &&
                result.err.contains(QStringLiteral("caf\\xe9.avi")))
        << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("good\t"))) << result.out.toStdString();
}

namespace
{

// A file's sound and subtitle tracks converted: the sound chosen, text
// subtitles kept as tracks, a subtitle burnt into the picture.
class CliTracks : public Cli
{
protected:
    // Converts with the profile into a folder of its own; the one output.
    QString convert(const QString& source, const QString& profile, const QStringList& choices,
                    const QString& folder)
    {
        const QString out = work.filePath(folder);
        const CliRun done = run(QStringList{"convert", "--profile", profile, "--output", out} +
                                choices + QStringList{source});
        EXPECT_EQ(done.exitCode, 0) << done.out.toStdString() << done.err.toStdString();
        const QStringList made = QDir(out).entryList(QDir::Files);
        EXPECT_EQ(made.size(), 1) << made.join(' ').toStdString();
        return made.isEmpty() ? QString() : QDir(out).filePath(made.first());
    }

    // "aac:audio:2:fre" per stream, as ffprobe reads the output.
    static QStringList streams(const QString& file)
    {
        const testclips::RunResult run =
            testclips::runProgram(QStringLiteral("ffprobe"),
                                  {"-v", "error", "-show_entries",
                                   "stream=codec_type,codec_name,channels:stream_tags=language",
                                   "-of", "csv=p=0:nk=1", file});
        EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
        QStringList lines;
        for (QString line : QString::fromUtf8(run.output).split('\n', Qt::SkipEmptyParts))
            lines << line.trimmed().replace(',', ':');
        return lines;
    }

    // The grey picture one second in, 320x240.
    static QByteArray frameAtOneSecond(const QString& file)
    {
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {"-v", "error", "-ss", "1", "-i", file, "-frames:v", "1", "-s", "320x240",
                      "-pix_fmt", "gray", "-f", "rawvideo", "-"});
        ffmpeg.waitForFinished(60000);
        return ffmpeg.readAllStandardOutput();
    }

    static double meanDifference(const QByteArray& a, const QByteArray& b)
    {
        if (a.size() != b.size() || a.isEmpty())
            return -1;
        double sum = 0;
        for (int i = 0; i < a.size(); ++i)
            sum += std::abs(int(uchar(a[i])) - int(uchar(b[i])));
        return sum / a.size();
    }
};

} // namespace

// The second sound track converts in place of the default one, and both text
// subtitles stay as tracks with their languages: copied into Matroska, as
// mov_text into MP4. Without a choice the file's default sound is kept.
TEST_F(CliTracks, TheChosenSoundConvertsAndTextSubtitlesStay)
{
    const QString film = work.filePath(QStringLiteral("film.mkv"));
    ASSERT_TRUE(trackclips::makeTrackFilm(film));

    // The profiles write stereo (-ac 2): the language tells the track.
    const QString mkv = streams(convert(film, "128", {"--audio-track", "2"}, "mkv")).join(' ');
    EXPECT_EQ(mkv, "mpeg4:video aac:audio:2:fre subrip:subtitle:eng ass:subtitle:ger");

    const QString chosen = streams(convert(film, "118", {"--audio-track", "2"}, "mp4")).join(' ');
    EXPECT_TRUE(chosen.contains(" aac:audio:2:fre mov_text")) << chosen.toStdString();
    const QString plain = streams(convert(film, "118", {}, "mp4-default")).join(' ');
    EXPECT_TRUE(plain.endsWith(" aac:audio:2:eng mov_text:subtitle:eng mov_text:subtitle:ger"))
        << plain.toStdString();

    // A container without subtitles converts as it always did.
    const QString avi = streams(convert(film, "105", {}, "avi")).join(' ');
    EXPECT_FALSE(avi.contains("subtitle")) << avi.toStdString();
}

// A subtitle chosen is drawn into the picture and not kept as a track as
// well; the source's name, full of filter syntax, never reaches the filter.
TEST_F(CliTracks, TheChosenSubtitleIsBurntIntoThePicture)
{
    const QString film = work.filePath(QStringLiteral("it's [a],b;c=d:e.mkv"));
    ASSERT_TRUE(trackclips::makeTrackFilm(film));

    const QString burnt = convert(film, "118", {"--subtitle-track", "2"}, "burnt");
    const QString clean = convert(film, "118", {}, "clean");
    EXPECT_EQ(streams(burnt).filter("subtitle").join(' '), "mov_text:subtitle:eng");
    const double difference = meanDifference(frameAtOneSecond(burnt), frameAtOneSecond(clean));
    EXPECT_GT(difference, 2.0) << "the subtitle left the picture as it was";
}

// Track numbers a file lacks are refused with the row named, before anything
// is converted; a dry run says which streams the encoder is given, and a file
// with one sound track and no choice runs as before.
TEST_F(CliTracks, TrackNumbersAreCheckedAndShown)
{
    const QString film = work.filePath(QStringLiteral("film.mkv"));
    ASSERT_TRUE(trackclips::makeTrackFilm(film, 1));
    const QString single = work.filePath(QStringLiteral("single.avi"));
    ASSERT_TRUE(testclips::makeMovie(single, 1, {"-c:v", "mpeg4", "-c:a", "libmp3lame"}));

    const CliRun tooHigh = run({"convert", "--dry-run", "--audio-track", "3", film});
    EXPECT_EQ(tooHigh.exitCode, 2);
    EXPECT_TRUE(tooHigh.err.contains("--audio-track: row 1 (film) has 2 audio tracks"))
        << tooHigh.err.toStdString();
    const CliRun noSuchSubtitle = run({"convert", "--dry-run", "--subtitle-track", "3", film});
    EXPECT_EQ(noSuchSubtitle.exitCode, 2);
    EXPECT_TRUE(noSuchSubtitle.err.contains("has 2 subtitle tracks"))
        << noSuchSubtitle.err.toStdString();

    const CliRun shown =
        run({"convert", "--dry-run", "--audio-track", "2", "--subtitle-track", "1", film});
    EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_TRUE(shown.out.startsWith("TRANSCAST_AUDIO_STREAM=2 TRANSCAST_BURN_SUBTITLE=3 "))
        << shown.out.toStdString();

    const CliRun plain = run({"convert", "--dry-run", single});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_FALSE(plain.out.contains("TRANSCAST_")) << plain.out.toStdString();
    const CliRun one = run({"convert", "--dry-run", "--audio-track", "2", single});
    EXPECT_TRUE(one.err.contains("has 1 audio tracks")) << one.err.toStdString();
}
