#pragma once

// Clips for the preview suites, made once per run with ffmpeg's lavfi
// sources. MPEG-TS clips start their clock after a mux delay (ffmpeg's own
// default is 1.4 s); ours start at 1.13 s, so the first position mpv reports
// (about 1.18 s) rounds to 1 with room to spare even when a loaded machine
// makes mpv merge the first few reports.

#include <QEventLoop>
#include <QHash>
#include <QTemporaryDir>

#include "e2e/encoder/clips.h"
#include "preview/previewplayer.h"

namespace transcast::previewclips
{

inline QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

// A transport stream of the given length with a test picture and a tone,
// small and quick to make; the same request gives the same file.
inline QString transportStream(int seconds, const QString& size = QStringLiteral("160x120"))
{
    static QHash<QString, QString> made;
    const QString key = QStringLiteral("%1-%2").arg(seconds).arg(size);
    if (made.contains(key))
        return made.value(key);
    const QString path = folder().filePath(QStringLiteral("clip-%1.ts").arg(key));
    const bool ok = testclips::makeClip(
        path,
        {"-f", "lavfi", "-i", QStringLiteral("testsrc=d=%1:s=%2:r=25").arg(seconds).arg(size), "-f",
         "lavfi", "-i", QStringLiteral("sine=f=440:d=%1").arg(seconds)},
        {"-c:v", "mpeg2video", "-g", "25", "-c:a", "mp2", "-ac", "2", "-muxdelay", "0.55"});
    EXPECT_TRUE(ok);
    made.insert(key, path);
    return path;
}

// One second of a single colour (an mp4 whose first frame is known).
inline QString colourClip(const QString& colour)
{
    const QString path = folder().filePath(QStringLiteral("colour-%1.mp4").arg(colour));
    if (!QFile::exists(path)) {
        EXPECT_TRUE(testclips::makeClip(
            path, {"-f", "lavfi", "-i", QStringLiteral("color=c=%1:s=64x48:d=1").arg(colour)},
            {"-c:v", "mpeg4"}));
    }
    return path;
}

inline QString audioOnly()
{
    const QString path = folder().filePath(QStringLiteral("tone.mp3"));
    if (!QFile::exists(path)) {
        EXPECT_TRUE(testclips::makeClip(path, testclips::toneSource(1), {"-c:a", "libmp3lame"}));
    }
    return path;
}

// Plays as a preview does and waits, in the event loop, for the player's
// end: true when it ended, false when it could not start or failed.
inline bool playToEnd(PreviewPlayer& player, const QString& source)
{
    if (!player.play(source))
        return false;
    QEventLoop loop;
    bool played = false;
    QObject::connect(&player, &PreviewPlayer::ended, &loop, [&] {
        played = true;
        loop.quit();
    });
    QObject::connect(&player, &PreviewPlayer::failed, &loop, &QEventLoop::quit);
    loop.exec();
    return played;
}

} // namespace transcast::previewclips
