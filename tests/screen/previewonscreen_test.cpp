// The preview as a user sees it, in a real window: played three times in a
// row, the pictures on screen must move each time and the program must live
// on. The same test runs with the offscreen platform (read from the widgets)
// and, through tests/xvfb/preview-screen.sh, under Xvfb with the xcb
// platform and Mesa's software OpenGL (read from the X server's screen) and
// in weston with the wayland platform (read from weston's output window by
// the command in TRANSCAST_TEST_SCREENSHOT, which prints a PNG).
#include <cstdio>
#include <memory>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <QFileInfo>
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include "preview/previewcontroller.h"
#include "sources/sourcelist.h"
#include "support/finishadd.h"
#include "support/scriptedinteraction.h"
#include "support/turnedclips.h"
#include "ui/mainwindow.h"
#include "ui/previewbinding.h"
#include "unit/preview/previewclips.h"

using namespace transcast;

namespace
{

enum class Colour { Other, Red, Green, Blue };

struct ColourCount {
    int red = 0, green = 0, blue = 0;
};

ColourCount countColours(const QImage& image)
{
    ColourCount count;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); y += 2) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); x += 2) {
            const int r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
            count.red += r > 170 && g < 80 && b < 80;
            count.green += g > 100 && r < 80 && b < 80;
            count.blue += b > 170 && r < 80 && g < 80;
        }
    }
    return count;
}

// The colour that fills most of what changed against the still screen.
Colour dominant(const ColourCount& now, const ColourCount& before)
{
    const int red = now.red - before.red, green = now.green - before.green,
              blue = now.blue - before.blue;
    const int least = 500;
    if (red > least && red > 4 * (green + blue))
        return Colour::Red;
    if (green > least && green > 4 * (red + blue))
        return Colour::Green;
    if (blue > least && blue > 4 * (red + green))
        return Colour::Blue;
    return Colour::Other;
}

// Two seconds each of red, blue and green.
QString colourSequence()
{
    const QString path = previewclips::folder().filePath(QStringLiteral("red-blue-green.mp4"));
    if (!QFile::exists(path)) {
        QStringList sources;
        for (const char* colour : {"red", "blue", "green"})
            sources << "-f"
                    << "lavfi"
                    << "-i" << QStringLiteral("color=c=%1:s=320x240:r=25:d=2").arg(colour);
        EXPECT_TRUE(testclips::makeClip(
            path, sources,
            {"-filter_complex", "concat=n=3:v=1:a=0", "-c:v", "mpeg4", "-q:v", "3"}));
    }
    return path;
}

class PreviewOnScreen : public ::testing::Test
{
protected:
    QTemporaryDir configDir;
    ScriptedInteraction interaction;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;

    void TearDown() override
    {
        if (window) {
            window->dispatch(QStringLiteral("stopplay"));
            window->close();
        }
    }

    // The file edition's window, on screen.
    void openWindow()
    {
        window = std::make_unique<MainWindow>(
            Edition(QStringLiteral("transcast"), QStringLiteral(TRANSCAST_BIN_DIR)), &interaction,
            &shell);
        window->setSettingsFolder(configDir.path());
        window->show();
    }

    // The preview plays in the event loop: this runs it to its end.
    void waitForTheEnd()
    {
        const PacedQueue& queue = window->preview().queue();
        while (window->controller().busy().isPlaying() || queue.isPaused() || queue.waiting() > 0)
            QTest::qWait(10);
    }

    // What the screen shows of the preview panel (all of weston's output
    // where the panel's place on it is unknown).
    QImage panelOnScreen()
    {
        QWidget* panel = window->previewPanel();
        const QByteArray command = qgetenv("TRANSCAST_TEST_SCREENSHOT");
        if (!command.isEmpty()) {
            QProcess shot;
            shot.start(QStringLiteral("sh"), {"-c", QString::fromLocal8Bit(command)});
            shot.waitForFinished(20000);
            return QImage::fromData(shot.readAllStandardOutput(), "PNG");
        }
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            const QPoint at = panel->mapToGlobal(QPoint());
            return panel->screen()
                ->grabWindow(0, at.x(), at.y(), panel->width(), panel->height())
                .toImage();
        }
        return panel->grab().toImage();
    }
};

TEST_F(PreviewOnScreen, PlaysThreeTimesWithMovingPictures)
{
    // A descriptor opened before any preview must still be the same file
    // after them all, and the standard ones must stay open.
    QTemporaryFile marker;
    ASSERT_TRUE(marker.open());
    struct stat markerBefore {
    };
    ASSERT_EQ(fstat(marker.handle(), &markerBefore), 0);

    openWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QWidget* screen = window->findChild<QWidget*>(QStringLiteral("pl_play_screen"));
    std::printf("platform %s, preview screen %s\n", qPrintable(QGuiApplication::platformName()),
                screen ? screen->metaObject()->className() : "none");
    window->preview().player().setAudioOutput(QStringLiteral("null"));
    QTest::qWait(500);
    const ColourCount idle = countColours(panelOnScreen());

    JobList& jobs = window->controller().jobs();
    const QString clip = colourSequence();
    JobRow record;
    record.caption = QFileInfo(clip).fileName();
    record.source.filePath = clip;
    record.source.durationMs = 7000;
    const int row = jobs.appendRow(record);
    jobs.setVisible(true);
    jobs.setSelected(row, true);

    for (int run = 1; run <= 3; ++run) {
        SCOPED_TRACE(run);
        QList<Colour> seen;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (!window->controller().busy().isPlaying())
                return;
            const Colour colour = dominant(countColours(panelOnScreen()), idle);
            if (colour != Colour::Other && (seen.isEmpty() || seen.last() != colour))
                seen << colour;
        });
        look.start(100);
        // The preview takes "play" once its display pauses of the last run
        // are over; it plays to the clip's end.
        const PacedQueue& queue = window->preview().queue();
        QElapsedTimer clock;
        clock.start();
        while ((queue.isPaused() || queue.waiting() > 0) && clock.elapsed() < 10000)
            QTest::qWait(20);
        QTimer::singleShot(30000, window.get(), [&] { window->dispatch("stopplay"); });
        window->dispatch(QStringLiteral("play"));
        waitForTheEnd();
        look.stop();
        EXPECT_FALSE(window->controller().busy().isPlaying());
        // Blue, then green: the pictures moved on screen.
        const qsizetype blue = seen.indexOf(Colour::Blue);
        EXPECT_GE(blue, 0) << "no blue picture was seen";
        EXPECT_GT(seen.lastIndexOf(Colour::Green), blue) << "no green picture after the blue one";
        EXPECT_TRUE(interaction.errors.isEmpty()) << interaction.errors.join(' ').toStdString();
    }

    EXPECT_NE(fcntl(0, F_GETFD), -1) << "standard input was closed";
    struct stat markerAfter {
    };
    ASSERT_EQ(fstat(marker.handle(), &markerAfter), 0);
    EXPECT_EQ(markerAfter.st_ino, markerBefore.st_ino);
    EXPECT_EQ(markerAfter.st_dev, markerBefore.st_dev);
}

// Phones store portrait video turned, and so do cameras held upside down:
// listed through the window's own add, each such clip gets the size it is
// shown at, and its still picture and its preview stand upright on screen in
// that shape, whichever renderer draws them.
TEST_F(PreviewOnScreen, TurnedVideosListShowAndPlayUpright)
{
    openWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->preview().player().setAudioOutput(QStringLiteral("null"));

    struct Clip {
        QString path;
        QSize listed; // the row's "Width * Height"
        QSize shown;  // the picture's shape, its pixel shape applied
    };
    QList<Clip> clips;
    QStringList paths;
    const auto add = [&](const QSize& stored, int rotation, const char* suffix,
                         const QString& sampleAspect, const QSize& square) {
        const QString path =
            previewclips::folder().filePath(QStringLiteral("phone-%1x%2-%3-%4.%5")
                                                .arg(stored.width())
                                                .arg(stored.height())
                                                .arg(rotation)
                                                .arg(QString(sampleAspect).replace('/', '_'))
                                                .arg(suffix));
        ASSERT_TRUE(turnedclips::makeTurnedClip(path, stored, rotation, 2, sampleAspect));
        clips.append({path, turnedclips::shownSize(stored, rotation),
                      turnedclips::shownSize(square, rotation)});
        paths << path;
    };
    for (const QSize& stored :
         {QSize(640, 360), QSize(1280, 720), QSize(1920, 1080), QSize(854, 480)}) {
        for (const int rotation : {90, 180, 270}) {
            for (const char* suffix : {"mp4", "mov"})
                add(stored, rotation, suffix, QStringLiteral("1"), stored);
        }
    }
    // Anamorphic PAL (shown 16:9), a tiny and a strip-shaped picture.
    add(QSize(720, 576), 0, "mp4", QStringLiteral("64/45"), QSize(1024, 576));
    add(QSize(720, 576), 90, "mov", QStringLiteral("64/45"), QSize(1024, 576));
    add(QSize(34, 18), 270, "mp4", QStringLiteral("1"), QSize(34, 18));
    add(QSize(1920, 200), 90, "mp4", QStringLiteral("1"), QSize(1920, 200));
    if (HasFatalFailure())
        return;
    window->openSources(paths);
    ASSERT_TRUE(transcast::testing::finishAdd(window->controller().sources()));
    JobList& jobs = window->controller().jobs();
    ASSERT_EQ(jobs.rowCount(), clips.size());

    // Reads the pattern from the panel as the screen shows it, the panel's
    // own background left out.
    const auto onScreen = [this] {
        const QImage shot = panelOnScreen().convertToFormat(QImage::Format_RGB32);
        return turnedclips::readPattern(shot.constBits(), shot.width(), shot.height(),
                                        shot.bytesPerLine());
    };
    // The screen's shape for a picture fitted into the panel; weston's
    // output holds more than the panel, so only the orientation counts there.
    const bool wholePanel = qEnvironmentVariableIsEmpty("TRANSCAST_TEST_SCREENSHOT");
    PreviewBinding& binding = window->previewBinding();
    for (int row = 0; row < clips.size(); ++row) {
        const Clip& clip = clips.at(row);
        SCOPED_TRACE(clip.path.toStdString());
        EXPECT_EQ(jobs.row(row).source.frameSize,
                  (FrameSize{clip.listed.width(), clip.listed.height()}));
        for (int other = 0; other < jobs.rowCount(); ++other)
            jobs.setSelected(other, other == row);
        QElapsedTimer clock;
        clock.start();
        while (binding.stillSource() != clip.path && clock.elapsed() < 20000)
            QTest::qWait(20);
        ASSERT_EQ(binding.stillSource(), clip.path) << "no still picture";
        QTest::qWait(100); // drawn on screen
        turnedclips::Reading still = onScreen();
        EXPECT_TRUE(still.upright) << "still picture";
        if (wholePanel)
            EXPECT_TRUE(turnedclips::sameShape(still.box, clip.shown, 0.12))
                << "still " << still.box.width() << "x" << still.box.height();

        turnedclips::Reading played;
        int looks = 0;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (!window->controller().busy().isPlaying() || !played.box.isEmpty())
                return;
            played = onScreen();
            ++looks;
            // Seen: the rest of the clip tells nothing more.
            if (!played.box.isEmpty())
                window->dispatch(QStringLiteral("stopplay"));
        });
        look.start(100);
        const PacedQueue& queue = window->preview().queue();
        while ((queue.isPaused() || queue.waiting() > 0) && clock.elapsed() < 30000)
            QTest::qWait(20);
        // A preview that never ends on its own is ended (by this row's
        // timer only: a stop meant for one row must not end the next).
        QTimer giveUp;
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, [&] { window->dispatch("stopplay"); });
        giveUp.start(20000);
        window->dispatch(QStringLiteral("play"));
        waitForTheEnd();
        look.stop();
        EXPECT_TRUE(interaction.errors.isEmpty()) << interaction.errors.join(' ').toStdString();
        EXPECT_TRUE(played.upright) << "preview, " << looks << " looks";
        if (wholePanel)
            EXPECT_TRUE(turnedclips::sameShape(played.box, clip.shown, 0.12))
                << "preview " << played.box.width() << "x" << played.box.height();
    }
}

} // namespace
