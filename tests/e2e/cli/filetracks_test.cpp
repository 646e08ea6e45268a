// A file's sound and subtitle tracks through transcast-cli, over the real
// register.dat and ffmpeg: the sound chosen, text subtitles kept as tracks,
// a subtitle burnt into the picture.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "e2e/encoder/clips.h"
#include "support/trackclips.h"

using namespace transcast;

namespace
{

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class FileTracksCli : public ::testing::Test
{
protected:
    QTemporaryDir work;

    void SetUp() override { ASSERT_TRUE(work.isValid()); }

    CliRun cli(const QStringList& arguments) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), work.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), work.filePath(QStringLiteral("config")));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TRANSCAST_BIN_DIR "/transcast-cli"), arguments);
        CliRun run;
        if (!process.waitForFinished(180000))
            process.kill();
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    // Converts with the profile into a folder of its own; the one output.
    QString convert(const QString& source, const QString& profile, const QStringList& choices,
                    const QString& folder)
    {
        const QString out = work.filePath(folder);
        const CliRun run = cli(QStringList{"convert", "--profile", profile, "--output", out} +
                               choices + QStringList{source});
        EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
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
TEST_F(FileTracksCli, TheChosenSoundConvertsAndTextSubtitlesStay)
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
TEST_F(FileTracksCli, TheChosenSubtitleIsBurntIntoThePicture)
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
TEST_F(FileTracksCli, TrackNumbersAreCheckedAndShown)
{
    const QString film = work.filePath(QStringLiteral("film.mkv"));
    ASSERT_TRUE(trackclips::makeTrackFilm(film, 1));
    const QString single = work.filePath(QStringLiteral("single.avi"));
    ASSERT_TRUE(testclips::makeMovie(single, 1, {"-c:v", "mpeg4", "-c:a", "libmp3lame"}));

    const CliRun tooHigh = cli({"convert", "--dry-run", "--audio-track", "3", film});
    EXPECT_EQ(tooHigh.exitCode, 2);
    EXPECT_TRUE(tooHigh.err.contains("--audio-track: row 1 (film) has 2 audio tracks"))
        << tooHigh.err.toStdString();
    const CliRun noSuchSubtitle = cli({"convert", "--dry-run", "--subtitle-track", "3", film});
    EXPECT_EQ(noSuchSubtitle.exitCode, 2);
    EXPECT_TRUE(noSuchSubtitle.err.contains("has 2 subtitle tracks"))
        << noSuchSubtitle.err.toStdString();

    const CliRun shown =
        cli({"convert", "--dry-run", "--audio-track", "2", "--subtitle-track", "1", film});
    EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_TRUE(shown.out.startsWith("TRANSCAST_AUDIO_STREAM=2 TRANSCAST_BURN_SUBTITLE=3 "))
        << shown.out.toStdString();

    const CliRun plain = cli({"convert", "--dry-run", single});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_FALSE(plain.out.contains("TRANSCAST_")) << plain.out.toStdString();
    const CliRun one = cli({"convert", "--dry-run", "--audio-track", "2", single});
    EXPECT_TRUE(one.err.contains("has 1 audio tracks")) << one.err.toStdString();
}
