// register.dat -i FILE: the report the app parses when a file is added.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "clips.h"
#include "common/textutil.h"
#include "support/hostilefiles.h"
#include "support/turnedclips.h"

using namespace transcast;
using namespace transcast::testclips;

namespace
{

class Probe : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_folder.filePath(name); }

    // Runs the probe, checks what every report shares (CR LF line ends, exit
    // status 0, no "bitrate:" before the "Duration:" line) and returns it.
    QString report(const QString& file)
    {
        const RunResult run = runRegister({"-i", file});
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
        const QString text = QString::fromUtf8(run.output);
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
        EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("[^\r]\n"))))
            << "a line not ended by CR LF";
        const int duration = text.indexOf(QStringLiteral("  Duration: "));
        EXPECT_GT(duration, 0);
        EXPECT_FALSE(text.left(duration).contains(QStringLiteral("bitrate:")));
        return text;
    }

    static QString lineWith(const QString& report, const QString& key)
    {
        for (const QString& line : report.split(QStringLiteral("\r\n")))
            if (line.contains(key))
                return line;
        return {};
    }

    QTemporaryDir m_folder;
};

void expectMatch(const QString& line, const char* pattern)
{
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^%1$").arg(QLatin1String(pattern)))
                    .match(line)
                    .hasMatch())
        << "line: " << line.toStdString() << "\npattern: " << pattern;
}

} // namespace

TEST_F(Probe, Mp4WithH264AndAac)
{
    ASSERT_TRUE(makeMovie(path("clip.mp4"), 2,
                          {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac"},
                          QStringLiteral("640x480")));
    const QString text = report(path("clip.mp4"));

    EXPECT_TRUE(text.startsWith(QStringLiteral("Input #0, mov,mp4,m4a,3gp,3g2,mj2:\r\n")));
    expectMatch(lineWith(text, "Duration:"),
                R"(  Duration: 00:00:02\.0\d, start: 0\.000000, bitrate: \d+ kb/s)");
    expectMatch(lineWith(text, "Video:"),
                R"(    Stream #0\.0: Video: 640x480, h264, yuv420p, \d+ kb/s, 25 fps)");
    expectMatch(lineWith(text, "Audio:"),
                R"(    Stream #0\.1: Audio: aac, 44100 Hz, stereo, \d+ kb/s)");

    const ProbeResult reading = readLikeTheApp(text);
    EXPECT_EQ(durationClock(reading.durationMs), QStringLiteral("00:00:02"));
    EXPECT_EQ(reading.frameSize, (FrameSize{640, 480}));
    EXPECT_TRUE(reading.overallKbps.has_value()) << text.toStdString();
    EXPECT_TRUE(reading.videoKbps.has_value()) << text.toStdString();
    EXPECT_TRUE(reading.audioKbps.has_value()) << text.toStdString();
}

TEST_F(Probe, AviWithMpeg4AndMp3)
{
    ASSERT_TRUE(makeMovie(path("clip.avi"), 2, {"-c:v", "mpeg4", "-c:a", "libmp3lame"}));
    const QString text = report(path("clip.avi"));

    EXPECT_TRUE(text.startsWith(QStringLiteral("Input #0, avi:\r\n")));
    expectMatch(lineWith(text, "Video:"),
                R"(    Stream #0\.0: Video: 320x240, mpeg4, yuv420p, \d+ kb/s, 25 fps)");
    expectMatch(lineWith(text, "Audio:"),
                R"(    Stream #0\.1: Audio: mp3, 44100 Hz, stereo, \d+ kb/s)");
    const ProbeResult reading = readLikeTheApp(text);
    EXPECT_EQ(reading.frameSize, (FrameSize{320, 240}));
    EXPECT_TRUE(reading.videoKbps.has_value());
}

// MPEG program streams carry no video bitrate: the line says nothing rather
// than a made-up number, and the overall bitrate is still there.
TEST_F(Probe, MpegProgramStreamHasNoVideoBitrate)
{
    ASSERT_TRUE(makeMovie(path("clip.mpg"), 2, {"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "vob"}));
    const QString text = report(path("clip.mpg"));

    expectMatch(lineWith(text, "Video:"),
                R"(    Stream #0\.0: Video: 320x240, mpeg2video, yuv420p, 25 fps)");
    const ProbeResult reading = readLikeTheApp(text);
    EXPECT_EQ(reading.videoKbps, std::nullopt);
    EXPECT_TRUE(reading.overallKbps.has_value());
    EXPECT_TRUE(reading.audioKbps.has_value());
    EXPECT_EQ(reading.frameSize, (FrameSize{320, 240}));
}

TEST_F(Probe, AudioOnlyMp3HasNoVideoLine)
{
    ASSERT_TRUE(makeClip(path("tone.mp3"), toneSource(2), {"-c:a", "libmp3lame", "-b:a", "128k"}));
    const QString text = report(path("tone.mp3"));

    EXPECT_FALSE(text.contains(QStringLiteral("Video")));
    expectMatch(lineWith(text, "Audio:"),
                R"(    Stream #0\.0: Audio: mp3, 44100 Hz, mono, 128 kb/s)");
    const ProbeResult reading = readLikeTheApp(text);
    EXPECT_EQ(reading.frameSize, std::nullopt);
    EXPECT_EQ(reading.audioKbps, 128);
}

// Cover art is a video stream to libavformat, but not a picture to convert.
TEST_F(Probe, CoverArtIsNotVideo)
{
    ASSERT_TRUE(
        makeClip(path("song.mp3"),
                 toneSource(2) + QStringList{"-f", "lavfi", "-i", "color=c=red:s=64x64:d=1"},
                 {"-map", "0:a", "-map", "1:v", "-frames:v", "1", "-c:v", "mjpeg",
                  "-disposition:v:0", "attached_pic", "-c:a", "libmp3lame"}));
    const QString text = report(path("song.mp3"));

    EXPECT_FALSE(text.contains(QStringLiteral("Video:")));
    EXPECT_TRUE(text.contains(QStringLiteral("Picture: 64x64, mjpeg")));
    EXPECT_EQ(readLikeTheApp(text).frameSize, std::nullopt);
}

// A phone's portrait video is stored landscape and marked to be turned: the
// report, and with it the row and an "original size" output, gives the
// size it is shown at, in the file one-shot probe and the server alike.
TEST_F(Probe, TurnedVideoIsReportedAtTheSizeItIsShown)
{
    QByteArray paths;
    QList<QSize> shown;
    for (const int rotation : {0, 90, 180, 270}) {
        for (const char* suffix : {"mp4", "mov"}) {
            const QString name = path(QStringLiteral("r%1.%2").arg(rotation).arg(suffix));
            ASSERT_TRUE(turnedclips::makeTurnedClip(name, QSize(320, 180), rotation, 0.2));
            const QSize size = turnedclips::shownSize(QSize(320, 180), rotation);
            EXPECT_EQ(readLikeTheApp(report(name)).frameSize,
                      (FrameSize{size.width(), size.height()}))
                << name.toStdString();
            paths += name.toUtf8() + '\0';
            shown << size;
        }
    }
    QProcess server;
    startLikeTheApp(server, registerDat(), {"--probe-server"});
    server.write(paths);
    server.closeWriteChannel();
    ASSERT_TRUE(server.waitForFinished(30000));
    // One "Video: " line an answer, in the order asked.
    const QByteArray answers = server.readAll();
    int found = 0;
    for (qsizetype at = answers.indexOf("Video: "); at >= 0;
         at = answers.indexOf("Video: ", at + 1)) {
        const QSize size = shown.value(found++);
        EXPECT_TRUE(answers.mid(at + 7).startsWith(
            QStringLiteral("%1x%2,").arg(size.width()).arg(size.height()).toUtf8()))
            << answers.mid(at, 40).toStdString();
    }
    EXPECT_EQ(found, shown.size());
}

// Names with blanks, quotes, non-ASCII letters and a leading dash arrive as
// one argument; names holding the report's own keys must not be read in place
// of the values.
TEST_F(Probe, AwkwardFileNamesReadLikeAnyOther)
{
    ASSERT_TRUE(makeMovie(path("plain.mp4"), 1, {"-c:v", "mpeg4", "-c:a", "aac"}));
    const ProbeResult plain = readLikeTheApp(report(path("plain.mp4")));

    // A name cannot hold "/", but a folder on the path can end in " kb".
    ASSERT_TRUE(QDir(m_folder.path()).mkpath(QStringLiteral("Duration: 77:77:77 bitrate: 7 kb")));
    const QStringList names = {
        QStringLiteral("-my clip's \"best\" été.mp4"),
        QStringLiteral("Duration: 77:77:77 bitrate: 7 kb/s Video: 1x1 Audio: 9 kb.mp4"),
    };
    for (const QString& name : names) {
        ASSERT_TRUE(QFile::copy(path("plain.mp4"), path(name)));
        const ProbeResult reading = readLikeTheApp(report(path(name)));
        EXPECT_EQ(reading.durationMs, plain.durationMs) << name.toStdString();
        EXPECT_EQ(reading.overallKbps, plain.overallKbps) << name.toStdString();
        EXPECT_EQ(reading.videoKbps, plain.videoKbps) << name.toStdString();
        EXPECT_EQ(reading.audioKbps, plain.audioKbps) << name.toStdString();
        EXPECT_EQ(reading.frameSize, (FrameSize{320, 240})) << name.toStdString();
    }
}

// A file that cannot be read gives one line with the reason and nothing the
// app could take for an overall bitrate, so it adds no row.
TEST_F(Probe, UnreadableFilesGiveTheReasonAndFail)
{
    QFile text(path("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("just some words, nothing to play\n");
    text.close();
    QFile(path("empty.mp4")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QDir(m_folder.path()).mkpath(QStringLiteral("bitrate: 5 kb")));
    const QString trap = QStringLiteral("bitrate: 5 kb/s.txt");
    ASSERT_TRUE(QFile::copy(path("notes.txt"), path(trap)));

    const struct {
        QString file;
        QString line;
    } cases[] = {
        {path("notes.txt"), path("notes.txt") + ": Invalid data found when processing input"},
        {path("missing.mp4"), path("missing.mp4") + ": No such file or directory"},
        {path("empty.mp4"), path("empty.mp4") + ": Invalid data found when processing input"},
        {path(trap), "Input: Invalid data found when processing input"},
    };
    for (const auto& c : cases) {
        const RunResult run = runRegister({"-i", c.file});
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1) << c.file.toStdString();
        EXPECT_EQ(QString::fromUtf8(run.output), c.line + "\r\n");
        EXPECT_EQ(readLikeTheApp(QString::fromUtf8(run.output)).overallKbps, std::nullopt);
    }
}

// A text posing as a video is refused before any demuxer follows it, in the
// one-shot probe and the server alike; an image named like a numbered
// sequence is read as the one image it is.
TEST_F(Probe, ASourceIsReadAsItselfAlone)
{
    QTemporaryDir elsewhere;
    const hostilefiles::Posers posers = hostilefiles::makePosers(m_folder.path(), elsewhere.path());
    const QString refusals[] = {"It is a playlist, not a video", "It is a playlist, not a video",
                                "It is a streaming manifest, not a video",
                                "It is a network stream description, not a video"};
    QByteArray asked;
    for (int i = 0; i < 4; ++i) {
        const QString file = posers.all().at(i);
        const RunResult run = runRegister({"-i", file});
        EXPECT_EQ(run.exitCode, 1) << file.toStdString();
        EXPECT_EQ(QString::fromUtf8(run.output), file + ": " + refusals[i] + "\r\n");
        asked += file.toUtf8() + '\0';
    }
    QProcess server;
    startLikeTheApp(server, registerDat(), {"--probe-server"});
    server.write(asked);
    server.closeWriteChannel();
    ASSERT_TRUE(server.waitForFinished(30000));
    const QByteArray answers = server.readAll();
    EXPECT_FALSE(answers.contains("Duration:")) << answers.toStdString();
    EXPECT_EQ(answers.count("It is a"), 4);
    // A text list ffmpeg takes for lyrics has nothing to convert.
    QFile list(path("radio.pls"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[playlist]\nFile1=" + posers.all().at(0).toUtf8() + "\nLength1=-1\nVersion=2\n");
    list.close();
    EXPECT_EQ(QString::fromUtf8(runRegister({"-i", list.fileName()}).output),
              list.fileName() + ": It holds no picture or sound\r\n");

    ASSERT_TRUE(makeClip(path("one.jpg"), pictureSource(1), {"-frames:v", "1"}));
    for (const char* name : {"img%03d.jpg", "img001.jpg", "img002.jpg"})
        ASSERT_TRUE(QFile::copy(path("one.jpg"), path(name)));
    EXPECT_EQ(readLikeTheApp(report(path("img%03d.jpg"))).durationMs.value_or(-1), 40)
        << "read as a sequence";
}

TEST_F(Probe, DvdLocatorIsRefusedClearly)
{
    const RunResult run = runRegister({"-i", "vts://01*0*1000*128*0*/media/dvd"});
    ASSERT_TRUE(run.finished);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.output.contains("a DVD locator can be converted, not probed"))
        << run.output.toStdString();
    EXPECT_FALSE(run.output.contains("bitrate:"));
}

// A FIFO or a device named like a video would block the probe (until the
// app's time-out) or read forever: only regular files are probed.
TEST_F(Probe, OnlyRegularFilesAreProbed)
{
    ASSERT_EQ(mkfifo(path("pipe.avi").toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(QDir(m_folder.path()).mkdir(QStringLiteral("folder.avi")));
    const struct {
        QString file;
        QString line;
    } cases[] = {
        {path("pipe.avi"), path("pipe.avi") + ": Not a regular file"},
        {QStringLiteral("/dev/zero"), QStringLiteral("/dev/zero: Not a regular file")},
        {path("folder.avi"), path("folder.avi") + ": Is a directory"},
    };
    for (const auto& c : cases) {
        QElapsedTimer clock;
        clock.start();
        const RunResult run = runRegister({"-i", c.file});
        ASSERT_TRUE(run.finished) << c.file.toStdString();
        EXPECT_LT(clock.elapsed(), 10000);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(QString::fromUtf8(run.output), c.line + "\r\n");
    }
}

// "register.dat --probe-server" answers each NUL-ended path with the header
// "REPORT <bytes>" and the very report the one-file call prints, whatever the
// file: a movie, one it cannot read, a missing one, a FIFO, a folder, a name
// with a line break in it. It ends when its input does.
TEST_F(Probe, TheServerAnswersEachPathAsTheOneFileCallDoes)
{
    ASSERT_TRUE(makeMovie(path("clip.mp4"), 1, {"-c:v", "mpeg4", "-c:a", "aac"}));
    ASSERT_TRUE(QFile::copy(path("clip.mp4"), path("two\nlines.mp4")));
    QFile text(path("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("just some words\n");
    text.close();
    ASSERT_EQ(mkfifo(path("pipe.avi").toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(QDir(m_folder.path()).mkdir(QStringLiteral("folder.avi")));
    const QStringList files = {path("clip.mp4"), path("notes.txt"),  path("missing.avi"),
                               path("pipe.avi"), path("folder.avi"), path("two\nlines.mp4"),
                               path("clip.mp4")};

    QProcess server;
    server.start(registerDat(), {QStringLiteral("--probe-server")});
    ASSERT_TRUE(server.waitForStarted());
    for (const QString& file : files)
        server.write(QFile::encodeName(file) + '\0');
    server.closeWriteChannel();
    ASSERT_TRUE(server.waitForFinished(30000));
    EXPECT_EQ(server.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server.exitCode(), 0);
    EXPECT_TRUE(server.readAllStandardError().isEmpty());

    QByteArray answers = server.readAllStandardOutput();
    for (const QString& file : files) {
        const int newline = answers.indexOf('\n');
        ASSERT_TRUE(newline > 0 && answers.startsWith("REPORT ")) << answers.toStdString();
        const int length = answers.mid(7, newline - 7).toInt();
        const QByteArray report = answers.mid(newline + 1, length);
        answers.remove(0, newline + 1 + length);
        EXPECT_EQ(report, runRegister({"-i", file}).output) << file.toStdString();
    }
    EXPECT_TRUE(answers.isEmpty()) << answers.toStdString();
}

// A DVD locator gets the one-file call's refusal, as a report line.
TEST_F(Probe, TheServerRefusesADvdLocatorAndGoesOn)
{
    ASSERT_TRUE(makeMovie(path("clip.mp4"), 1, {"-c:v", "mpeg4", "-c:a", "aac"}));
    QProcess server;
    server.start(registerDat(), {QStringLiteral("--probe-server")});
    ASSERT_TRUE(server.waitForStarted());
    server.write("vts://01*0*1000*128*0*/media/dvd");
    server.write(QByteArray(1, '\0') + QFile::encodeName(path("clip.mp4")) + '\0');
    server.closeWriteChannel();
    ASSERT_TRUE(server.waitForFinished(30000));
    const QByteArray answers = server.readAllStandardOutput();
    const QByteArray refusal = "vts://01*0*1000*128*0*/media/dvd: a DVD locator can be "
                               "converted, not probed\r\n";
    EXPECT_TRUE(answers.startsWith("REPORT " + QByteArray::number(refusal.size()) + "\n" + refusal +
                                   "REPORT "))
        << answers.toStdString();
    EXPECT_TRUE(answers.endsWith(runRegister({"-i", path("clip.mp4")}).output));
}
