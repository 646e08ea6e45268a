#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include "preview/previewplayer.h"
#include "preview/streamprotocol.h"
#include "unit/preview/previewclips.h"

using namespace transcast;

namespace
{

// The player with no picture and no sound, as in every suite here.
class Player : public ::testing::Test
{
protected:
    PreviewPlayer player;
    std::vector<double> reports;

    void SetUp() override { player.setAudioOutput(QStringLiteral("null")); }

    // Prepares, plays and tears down like a preview; `onReport` runs for
    // every report after it is recorded. A hung Play fails after 20 s.
    bool play(const QString& source, const std::function<void(double)>& onReport = {})
    {
        reports.clear();
        EXPECT_TRUE(player.prepare(nullptr)) << player.errorString().toStdString();
        player.setPositionHandler([this, onReport](double seconds) {
            reports.push_back(seconds);
            if (onReport)
                onReport(seconds);
        });
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, [this] {
            ADD_FAILURE() << "Play did not return";
            player.stop();
        });
        limit.start(20000);
        const bool played = previewclips::playToEnd(player, source);
        player.release();
        return played;
    }

    double firstPositive() const
    {
        for (double seconds : reports) {
            if (seconds > 0)
                return seconds;
        }
        return 0;
    }
};

TEST_F(Player, PlaysToTheEndReportingOnTheSourcesOwnClock)
{
    const QString clip = previewclips::transportStream(2);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(play(clip));
    EXPECT_GE(clock.elapsed(), 1500) << "Play returns at the end of playback";
    ASSERT_GT(reports.size(), 10u);
    // The transport stream's clock starts at 1.13 s and is not rebased.
    EXPECT_NEAR(firstPositive(), 1.2, 0.1);
    EXPECT_NEAR(reports.back(), 3.1, 0.2);
    for (size_t i = 1; i < reports.size(); ++i)
        EXPECT_GE(reports[i], reports[i - 1]);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_FALSE(player.isInitialised());
}

TEST_F(Player, StopFromInsideAReportEndsPlayAtOnce)
{
    const QString clip = previewclips::transportStream(6);
    EXPECT_TRUE(play(clip, [this](double seconds) {
        if (seconds > 2)
            player.stop();
    }));
    // Nothing after the report that stopped it, far from the end at 7.1 s.
    EXPECT_GT(reports.back(), 2);
    EXPECT_LT(reports.back(), 2.2);
    player.stop(); // with nothing playing: harmless
}

TEST_F(Player, PauseHoldsThePositionAndTheSecondCallResumes)
{
    std::vector<double> whilePaused;
    bool resumed = false;
    EXPECT_TRUE(play(previewclips::transportStream(3), [&](double seconds) {
        if (seconds > 2 && !player.isPaused() && !resumed && whilePaused.empty()) {
            player.pause();
            whilePaused.push_back(seconds);
            QTimer::singleShot(400, [&] {
                whilePaused.push_back(reports.back());
                player.pause();
                resumed = true;
            });
        }
    }));
    ASSERT_EQ(whilePaused.size(), 2u);
    EXPECT_NEAR(whilePaused[1], whilePaused[0], 0.05);
    EXPECT_TRUE(resumed);
    EXPECT_GT(reports.back(), 4.0) << "playback went on to the end after the resume";
}

TEST_F(Player, SeekBeforePlayStartsThereAndSeekWhilePlayingJumps)
{
    bool jumped = false;
    ASSERT_TRUE(player.prepare(nullptr));
    player.seek(4);
    player.setPositionHandler([&](double seconds) {
        reports.push_back(seconds);
        if (!jumped && seconds > 4.2) {
            jumped = true;
            player.seek(8);
        } else if (seconds > 8.5) {
            player.stop();
        }
    });
    EXPECT_TRUE(previewclips::playToEnd(player, previewclips::transportStream(10)));
    player.release();
    EXPECT_NEAR(firstPositive(), 4.0, 0.2);
    ASSERT_TRUE(jumped);
    // The jump lands on the second asked for, on the same clock.
    const auto after =
        std::find_if(reports.begin(), reports.end(), [](double seconds) { return seconds > 6; });
    ASSERT_NE(after, reports.end());
    EXPECT_NEAR(*after, 8.0, 0.15);
}

// play starts and returns; the end is told once, from the event loop, not
// from inside the stop that caused it (whose caller may still be busy with
// the preview).
TEST_F(Player, PlayReturnsAtOnceAndTellsItsEndFromTheEventLoop)
{
    ASSERT_TRUE(player.prepare(nullptr));
    int ends = 0;
    QObject::connect(&player, &PreviewPlayer::ended, [&] { ++ends; });
    QObject::connect(&player, &PreviewPlayer::failed, [&] { ADD_FAILURE() << "failed"; });
    ASSERT_TRUE(player.play(previewclips::transportStream(10)));
    EXPECT_TRUE(player.isPlaying());
    EXPECT_FALSE(player.play(previewclips::transportStream(2))) << "one preview at a time";
    player.stop();
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(ends, 0);
    QElapsedTimer waited;
    waited.start();
    while (ends == 0 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(ends, 1);
    player.release();
}

TEST_F(Player, SourceThatCannotPlayFailsWithAReason)
{
    const QString missing = previewclips::folder().filePath(QStringLiteral("missing.ts"));
    EXPECT_FALSE(play(missing));
    EXPECT_TRUE(player.errorString().contains(missing)) << player.errorString().toStdString();
    EXPECT_TRUE(reports.empty());

    PreviewPlayer unprepared;
    EXPECT_FALSE(previewclips::playToEnd(unprepared, missing));
    EXPECT_FALSE(unprepared.errorString().isEmpty());
}

// Without a usable sound device the picture still plays to the end, and the
// end is no failure.
TEST_F(Player, NoAudioDeviceStillPlaysThePicture)
{
    player.setAudioOutput(QStringLiteral("alsa"));
    player.setOption(QStringLiteral("audio-device"),
                     QStringLiteral("alsa/transcast-no-such-device"));
    EXPECT_TRUE(play(previewclips::transportStream(2))) << player.errorString().toStdString();
    ASSERT_FALSE(reports.empty());
    EXPECT_NEAR(reports.back(), 3.1, 0.2);
}

// A library that closes a standard descriptor (some video drivers' probing
// does) must not leave its number to the next file or display connection:
// once a preview is over, descriptor 0 is open again, on /dev/null.
TEST_F(Player, StandardDescriptorClosedMeanwhileIsOpenAgainAfterwards)
{
    const int saved = dup(0);
    close(0);
    EXPECT_TRUE(play(previewclips::transportStream(2), [this](double) { player.stop(); }));
    struct stat now {
    };
    struct stat null {
    };
    ASSERT_EQ(stat("/dev/null", &null), 0);
    EXPECT_EQ(fstat(0, &now), 0);
    EXPECT_TRUE(S_ISCHR(now.st_mode) && now.st_rdev == null.st_rdev);
    dup2(saved, 0);
    close(saved);
}

// A protocol of our own: the bytes of a file, served through the reader.
class FileProtocol : public StreamProtocol
{
public:
    int opened = 0;
    QString scheme() const override { return QStringLiteral("testfile"); }
    QString format() const override { return QStringLiteral("mpegts"); }
    std::unique_ptr<StreamReader> open(const QString& address) override
    {
        struct Reader : StreamReader {
            QFile file;
            qint64 read(char* buffer, qint64 size) override { return file.read(buffer, size); }
            bool seek(qint64 position) override { return file.seek(position); }
            qint64 size() const override { return file.size(); }
        };
        auto reader = std::make_unique<Reader>();
        reader->file.setFileName(address.mid(scheme().size() + 3));
        if (!reader->file.open(QIODevice::ReadOnly))
            return nullptr;
        ++opened;
        return reader;
    }
};

TEST_F(Player, StreamProtocolServesTheWholeAddress)
{
    FileProtocol protocol;
    player.addStreamProtocol(&protocol);
    EXPECT_TRUE(play(QStringLiteral("testfile://") + previewclips::transportStream(2)));
    EXPECT_GE(protocol.opened, 1);
    ASSERT_FALSE(reports.empty());
    EXPECT_NEAR(reports.back(), 3.1, 0.2);

    EXPECT_FALSE(play(QStringLiteral("testfile:///no/such/file.ts")));
    EXPECT_FALSE(player.errorString().isEmpty());
}

} // namespace

namespace
{

// A DVD title's audio is chosen by the stream id the program stream gives
// it, not by mpv's track number.
TEST_F(Player, AudioTrackChosenByTheSourcesStreamId)
{
    const QString path = previewclips::folder().filePath(QStringLiteral("two-tracks.vob"));
    ASSERT_TRUE(
        testclips::makeClip(path,
                            {"-f", "lavfi", "-i", "testsrc=d=2:s=160x120:r=25", "-f", "lavfi", "-i",
                             "sine=f=440:d=2", "-f", "lavfi", "-i", "sine=f=880:d=2"},
                            {"-map", "0:v", "-map", "1:a", "-map", "2:a", "-c:v", "mpeg2video",
                             "-c:a", "ac3", "-ac", "2", "-f", "dvd"}));
    for (const int wanted : {0x81, 0x80}) {
        QString chosen;
        player.setAudioSourceId(wanted);
        EXPECT_TRUE(play(path, [&](double) {
            chosen = player.propertyText(QStringLiteral("current-tracks/audio/src-id"));
            player.stop();
        }));
        EXPECT_EQ(chosen, QString::number(wanted));
    }
}

} // namespace
