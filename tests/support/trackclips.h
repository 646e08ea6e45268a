#pragma once

// A Matroska film with a choice of tracks, as users bring them: two sound
// tracks in two languages (English mono, flagged default, then French 5.1)
// and two text subtitles (English SubRip, German ASS), both shown over the
// whole film so that a burnt one is in every frame.

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include "e2e/encoder/clips.h"

namespace transcast::trackclips
{

inline bool writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Makes `path` (.mkv) of `seconds` (below 10) with the tracks above, from
// subtitle files written beside it.
inline ::testing::AssertionResult makeTrackFilm(const QString& path, double seconds = 3)
{
    // The subtitles end with the film: a container's length counts them too.
    const QByteArray end = QByteArray::number(int(seconds * 100) / 100) + "." +
                           QByteArray::number(int(seconds * 100) % 100).rightJustified(2, '0');
    const QString srt = path + QStringLiteral(".srt");
    const QString ass = path + QStringLiteral(".ass");
    const bool written =
        writeText(srt, "1\n00:00:00,000 --> 00:00:0" + end.left(1) + "," + end.mid(2) +
                           "0\nENGLISH LINE\n") &&
        writeText(ass, "[Script Info]\nScriptType: v4.00+\nPlayResX: 320\nPlayResY: 240\n\n"
                       "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, "
                       "SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, "
                       "StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, "
                       "Alignment, MarginL, MarginR, MarginV, Encoding\n"
                       "Style: Default,DejaVu Sans,48,&H00FFFFFF,&H000000FF,&H00000000,"
                       "&H00000000,0,0,0,0,100,100,0,0,1,3,0,5,10,10,10,1\n\n"
                       "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, "
                       "MarginV, Effect, Text\n"
                       "Dialogue: 0,0:00:00.00,0:00:0" +
                           end + ",Default,,0,0,0,,GERMAN\n");
    if (!written)
        return ::testing::AssertionFailure()
               << "cannot write the subtitles beside " << path.toStdString();
    const QString length = QString::number(seconds);
    return testclips::makeClip(
        path,
        testclips::pictureSource(seconds) +
            QStringList{"-f", "lavfi", "-i",
                        QStringLiteral("sine=f=440:d=%1:sample_rate=48000").arg(length), "-f",
                        "lavfi", "-i",
                        QStringLiteral("sine=f=880:d=%1:sample_rate=48000").arg(length), "-i", srt,
                        "-i", ass},
        {"-map",
         "0:v",
         "-map",
         "1:a",
         "-map",
         "2:a",
         "-map",
         "3",
         "-map",
         "4",
         "-c:v",
         "mpeg4",
         "-q:v",
         "3",
         "-c:a",
         "aac",
         "-ac:a:1",
         "6",
         "-c:s",
         "copy",
         "-metadata:s:a:0",
         "language=eng",
         "-metadata:s:a:1",
         "language=fre",
         "-metadata:s:s:0",
         "language=eng",
         "-metadata:s:s:1",
         "language=ger",
         "-disposition:a:0",
         "default",
         "-disposition:a:1",
         "0",
         "-disposition:s:0",
         "0",
         "-disposition:s:1",
         "0"});
}

} // namespace transcast::trackclips
