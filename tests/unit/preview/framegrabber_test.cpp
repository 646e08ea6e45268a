#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "preview/framegrabber.h"
#include "unit/preview/previewclips.h"

using namespace transcast;

namespace
{

struct Outcome {
    QStringList grabbed, failed;
    PreviewFrame frame;
};

// Runs the event loop until a result arrives (or 10 s pass).
void collect(FrameGrabber& grabber, Outcome& outcome, int results = 1)
{
    QObject context;
    QObject::connect(&grabber, &FrameGrabber::grabbed, &context,
                     [&](const QString& source, const PreviewFrame& frame) {
                         outcome.grabbed << source;
                         outcome.frame = frame;
                     });
    QObject::connect(&grabber, &FrameGrabber::failed, &context,
                     [&](const QString& source) { outcome.failed << source; });
    QElapsedTimer clock;
    clock.start();
    while (outcome.grabbed.size() + outcome.failed.size() < results && clock.elapsed() < 10000) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

// Blue, green, red of the pixel at x, y.
std::array<int, 3> pixel(const PreviewFrame& frame, int x, int y)
{
    const auto* p =
        reinterpret_cast<const unsigned char*>(frame.pixels.constData()) + y * frame.stride + x * 4;
    return {p[0], p[1], p[2]};
}

TEST(FrameGrabber, FirstPictureOfAFileAtItsOwnSize)
{
    FrameGrabber grabber;
    Outcome outcome;
    const QString red = previewclips::colourClip(QStringLiteral("red"));
    grabber.grab(red);
    collect(grabber, outcome);
    ASSERT_EQ(outcome.grabbed, QStringList{red});
    EXPECT_EQ(outcome.frame.width, 64);
    EXPECT_EQ(outcome.frame.height, 48);
    ASSERT_FALSE(outcome.frame.isNull());
    const auto [blue, green, redValue] = pixel(outcome.frame, 32, 24);
    EXPECT_GT(redValue, 200);
    EXPECT_LT(green, 60);
    EXPECT_LT(blue, 60);
    EXPECT_TRUE(grabber.pending().isEmpty());
}

TEST(FrameGrabber, NewRequestReplacesOneStillRunning)
{
    FrameGrabber grabber;
    Outcome outcome;
    const QString red = previewclips::colourClip(QStringLiteral("red"));
    const QString blue = previewclips::colourClip(QStringLiteral("blue"));
    grabber.grab(red);
    grabber.grab(blue);
    collect(grabber, outcome);
    // Give a late result of the first request the chance to show up.
    QEventLoop settle;
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();
    EXPECT_EQ(outcome.grabbed, QStringList{blue});
    EXPECT_TRUE(outcome.failed.isEmpty());
    EXPECT_GT(pixel(outcome.frame, 10, 10)[0], 200);
}

TEST(FrameGrabber, SourcesWithoutAPictureFail)
{
    FrameGrabber grabber;
    Outcome outcome;
    const QString tone = previewclips::audioOnly();
    const QString missing = previewclips::folder().filePath(QStringLiteral("missing.mp4"));
    grabber.grab(tone);
    collect(grabber, outcome);
    grabber.grab(missing);
    collect(grabber, outcome, 2);
    EXPECT_EQ(outcome.failed, (QStringList{tone, missing}));
    EXPECT_TRUE(outcome.grabbed.isEmpty());

    // The grabber still works after failures.
    const QString red = previewclips::colourClip(QStringLiteral("red"));
    grabber.grab(red);
    collect(grabber, outcome, 3);
    EXPECT_EQ(outcome.grabbed, QStringList{red});
}

} // namespace
