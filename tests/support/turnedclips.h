#pragma once

// Clips stored turned, as phones store portrait video, whose picture shown
// upright is known: yellow above magenta, with a cyan band down the left
// side (colours no part of the window has). Read back from a shown picture,
// the three colours tell whether it stands upright, lies on its side or is
// mirrored, and what shape it has.

#include <cstdint>

#include <QSize>
#include <QString>
#include <QStringList>

#include "e2e/encoder/clips.h"

namespace transcast::turnedclips
{

// The shown size of a picture stored at `stored` and turned `rotation`.
inline QSize shownSize(const QSize& stored, int rotation)
{
    return rotation % 180 == 0 ? stored : stored.transposed();
}

// Makes `path` (.mp4 or .mov): `seconds` of the pattern, stored at `stored`
// pixels with square pixels unless `sampleAspect` ("64/45") says otherwise,
// tagged "rotate" `rotation` (0, 90, 180 or 270), so that it is shown
// upright only when the tag is obeyed. The tag is written by a stream copy,
// the only way ffmpeg 5.1 writes one.
inline ::testing::AssertionResult makeTurnedClip(const QString& path, const QSize& stored,
                                                 int rotation, double seconds = 1,
                                                 const QString& sampleAspect = QStringLiteral("1"))
{
    const QSize shown = shownSize(stored, rotation);
    // The pattern as shown, then turned back the other way for storing.
    QString filter = QStringLiteral("drawbox=x=0:y=0:w=iw:h=ih/2:color=yellow:t=fill,"
                                    "drawbox=x=0:y=0:w=iw/5:h=ih:color=cyan:t=fill");
    // ffmpeg's "rotate" tag of R degrees makes a player turn the stored
    // picture R degrees counter-clockwise (ffmpeg's own conversion agrees).
    if (rotation == 90)
        filter += QStringLiteral(",transpose=clock");
    else if (rotation == 180)
        filter += QStringLiteral(",hflip,vflip");
    else if (rotation == 270)
        filter += QStringLiteral(",transpose=cclock");
    filter += QStringLiteral(",setsar=") + sampleAspect;
    const QString plain = path + QStringLiteral(".plain.mp4");
    const ::testing::AssertionResult made =
        testclips::makeClip(plain,
                            {"-f", "lavfi", "-i",
                             QStringLiteral("color=c=magenta:s=%1x%2:r=25:d=%3")
                                 .arg(shown.width())
                                 .arg(shown.height())
                                 .arg(seconds),
                             "-f", "lavfi", "-i", QStringLiteral("sine=d=%1").arg(seconds)},
                            {"-vf", filter, "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt",
                             "yuv420p", "-c:a", "aac", "-ac", "2"});
    if (!made)
        return made;
    const ::testing::AssertionResult marked = testclips::makeClip(
        path, {"-i", plain},
        {"-c", "copy", "-metadata:s:v:0", QStringLiteral("rotate=%1").arg(rotation)});
    QFile::remove(plain);
    return marked;
}

// What a shown picture holds of the pattern.
struct Reading {
    QSize box;            // the pattern's extent (black bars left out)
    bool upright = false; // yellow above magenta, cyan at the left
};

// Reads `width` x `height` pixels, `stride` bytes a line, four bytes a
// pixel in the order blue, green, red, alpha (QImage's RGB32 and ARGB32 on
// little-endian machines).
inline Reading readPattern(const uchar* pixels, int width, int height, qsizetype stride)
{
    double topY = 0, bottomY = 0, bandX = 0;
    qint64 tops = 0, bottoms = 0, bands = 0;
    int left = width, top = height, right = -1, bottom = -1;
    for (int y = 0; y < height; ++y) {
        const uchar* line = pixels + y * stride;
        for (int x = 0; x < width; ++x) {
            const int b = line[4 * x], g = line[4 * x + 1], r = line[4 * x + 2];
            // Two channels high and one low, with room for a display that
            // shifts colours a little.
            const bool yellow = r > 170 && g > 170 && b < 110;
            const bool magenta = r > 170 && b > 170 && g < 110;
            const bool cyan = g > 170 && b > 170 && r < 110;
            if (!yellow && !magenta && !cyan)
                continue;
            left = qMin(left, x), right = qMax(right, x);
            top = qMin(top, y), bottom = qMax(bottom, y);
            if (yellow)
                ++tops, topY += y;
            if (magenta)
                ++bottoms, bottomY += y;
            if (cyan)
                ++bands, bandX += x;
        }
    }
    Reading reading;
    if (right < 0)
        return reading;
    reading.box = QSize(right - left + 1, bottom - top + 1);
    const double middleX = (left + right) / 2.0;
    reading.upright = tops > 0 && bottoms > 0 && bands > 0 && topY / tops < bottomY / bottoms &&
                      bandX / bands < middleX;
    return reading;
}

// Whether `box` has the shape of `shown` within `tolerance` (a fraction).
inline bool sameShape(const QSize& box, const QSize& shown, double tolerance = 0.08)
{
    if (box.isEmpty() || shown.isEmpty())
        return false;
    const double a = double(box.width()) / box.height();
    const double b = double(shown.width()) / shown.height();
    return qAbs(a / b - 1) <= tolerance;
}

} // namespace transcast::turnedclips
