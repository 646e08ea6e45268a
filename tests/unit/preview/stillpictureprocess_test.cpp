// The still picture as the window takes it: in transcast-still, upright and
// in its shown shape whatever the source's turn, size or pixel shape, and a
// reader that crashes or hangs costs only its picture.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "preview/previewplayer.h"
#include "preview/stillpictureprocess.h"
#include "support/hostilefiles.h"
#include "support/turnedclips.h"
#include "unit/preview/previewclips.h"

using namespace transcast;

namespace
{

struct Outcome {
    QStringList grabbed, failed;
    QString reason;
    PreviewFrame frame;
};

Outcome take(StillPictureProcess& still, const QStringList& sources)
{
    Outcome outcome;
    QObject context;
    QObject::connect(&still, &StillPictureProcess::grabbed, &context,
                     [&](const QString& source, const PreviewFrame& frame) {
                         outcome.grabbed << source;
                         outcome.frame = frame;
                     });
    QObject::connect(&still, &StillPictureProcess::failed, &context,
                     [&](const QString& source, const QString& reason) {
                         outcome.failed << source;
                         outcome.reason = reason;
                     });
    for (const QString& source : sources)
        still.grab(source);
    QElapsedTimer clock;
    clock.start();
    while (!still.pending().isEmpty() && clock.elapsed() < 30000) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return outcome;
}

QString stillProgram()
{
    return QStringLiteral(TRANSCAST_BIN_DIR "/transcast-still");
}

QString script(const QTemporaryDir& folder, const QString& name, const QByteArray& body)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body + "\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    return path;
}

TEST(StillPictureProcess, EverySourceStandsUprightInItsShownShape)
{
    struct Case {
        QSize stored;
        int rotation;
        const char* suffix;
        QString sampleAspect = QStringLiteral("1");
        QSize shown; // before the turn, pixel shape applied
    };
    QList<Case> cases;
    for (const QSize& stored :
         {QSize(640, 360), QSize(1280, 720), QSize(1920, 1080), QSize(722, 406)}) {
        for (const int rotation : {0, 90, 180, 270}) {
            for (const char* suffix : {"mp4", "mov"})
                cases.append({stored, rotation, suffix, QStringLiteral("1"), stored});
        }
    }
    // Anamorphic PAL (shown 16:9), a tiny and a strip-shaped picture.
    cases.append({QSize(720, 576), 0, "mp4", QStringLiteral("64/45"), QSize(1024, 576)});
    cases.append({QSize(720, 576), 90, "mov", QStringLiteral("64/45"), QSize(1024, 576)});
    cases.append({QSize(34, 18), 270, "mp4", QStringLiteral("1"), QSize(34, 18)});
    cases.append({QSize(1920, 200), 90, "mp4", QStringLiteral("1"), QSize(1920, 200)});

    StillPictureProcess still(stillProgram());
    for (const Case& c : cases) {
        const QString path =
            previewclips::folder().filePath(QStringLiteral("turned-%1x%2-%3-%4.%5")
                                                .arg(c.stored.width())
                                                .arg(c.stored.height())
                                                .arg(c.rotation)
                                                .arg(QString(c.sampleAspect).replace('/', '_'))
                                                .arg(c.suffix));
        SCOPED_TRACE(path.toStdString());
        ASSERT_TRUE(turnedclips::makeTurnedClip(path, c.stored, c.rotation, 0.2, c.sampleAspect));
        const Outcome outcome = take(still, {path});
        ASSERT_EQ(outcome.grabbed, QStringList{path}) << outcome.reason.toStdString();
        const QSize shown = turnedclips::shownSize(c.shown, c.rotation);
        const turnedclips::Reading reading = turnedclips::readPattern(
            reinterpret_cast<const uchar*>(outcome.frame.pixels.constData()), outcome.frame.width,
            outcome.frame.height, outcome.frame.stride);
        EXPECT_TRUE(reading.upright);
        EXPECT_TRUE(turnedclips::sameShape(reading.box, shown))
            << reading.box.width() << "x" << reading.box.height();
        EXPECT_LE(outcome.frame.width, 1280);
        EXPECT_LE(outcome.frame.height, 1280);
    }
}

TEST(StillPictureProcess, OnlyTheLastRequestIsAnswered)
{
    StillPictureProcess still(stillProgram());
    const QString red = previewclips::colourClip(QStringLiteral("red"));
    const QString blue = previewclips::colourClip(QStringLiteral("blue"));
    const Outcome outcome = take(still, {red, blue});
    EXPECT_EQ(outcome.grabbed, QStringList{blue});
    EXPECT_TRUE(outcome.failed.isEmpty());
    ASSERT_FALSE(outcome.frame.isNull());
    EXPECT_GT(static_cast<uchar>(outcome.frame.pixels.at(0)), 200); // blue
}

TEST(StillPictureProcess, AReaderThatCrashesHangsOrLiesFailsWithAReason)
{
    QTemporaryDir folder;
    const QString red = previewclips::colourClip(QStringLiteral("red"));
    const struct {
        QString program;
        const char* reason;
    } readers[] = {
        {script(folder, "crashes", "kill -SEGV $$"), "the video library failed on it."},
        {script(folder, "hangs", "exec sleep 60"), "it gave no picture in time."},
        // A picture shorter than its header says is no picture.
        {script(folder, "lies", "printf 'STILL 4 4 16\\n0123'"), "it could not be read."},
        {script(folder, "refuses", "echo 'FAILED it holds no picture.'; exit 1"),
         "it holds no picture."},
        {folder.filePath("missing"), nullptr},
    };
    for (const auto& reader : readers) {
        SCOPED_TRACE(reader.program.toStdString());
        StillPictureProcess still(reader.program);
        still.setTimeLimit(500);
        const Outcome outcome = take(still, {red});
        EXPECT_EQ(outcome.failed, QStringList{red});
        if (reader.reason)
            EXPECT_EQ(outcome.reason, QString::fromLatin1(reader.reason));
        else
            EXPECT_TRUE(outcome.reason.startsWith("the picture reader could not be started"));
    }
    // The real reader still answers afterwards, in the same program.
    StillPictureProcess still(stillProgram());
    EXPECT_EQ(take(still, {red}).grabbed, QStringList{red});
}

// Neither the still picture nor the preview follows a text posing as a
// video to what it names: each is refused with what it is.
TEST(StillPictureProcess, PosersAreRefusedByTheStillAndThePreview)
{
    QTemporaryDir folder, elsewhere;
    const hostilefiles::Posers posers = hostilefiles::makePosers(folder.path(), elsewhere.path());
    const QStringList reasons = {"it is a playlist, not a video.", "it is a playlist, not a video.",
                                 "it is a streaming manifest, not a video.",
                                 "it is a network stream description, not a video."};
    StillPictureProcess still(stillProgram());
    PreviewPlayer player;
    player.setAudioOutput(QStringLiteral("null"));
    for (int i = 0; i < 4; ++i) {
        const QString poser = posers.all().at(i);
        SCOPED_TRACE(poser.toStdString());
        const Outcome outcome = take(still, {poser});
        EXPECT_EQ(outcome.failed, QStringList{poser});
        EXPECT_EQ(outcome.reason, reasons.at(i));
        ASSERT_TRUE(player.prepare(nullptr));
        EXPECT_FALSE(player.play(poser));
        EXPECT_TRUE(player.errorString().endsWith(reasons.at(i)))
            << player.errorString().toStdString();
        player.release();
    }
}

} // namespace
