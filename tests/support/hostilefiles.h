#pragma once

// Texts posing as videos that would make a demuxer open other files: an HLS
// playlist naming a transport stream elsewhere on the disk by its absolute
// path, an ffconcat list naming a clip below its folder, a DASH manifest
// and a stream description. The files they name are real clips (one of
// them elsewhere), so a reader that follows them would find a video.

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include "e2e/encoder/clips.h"

namespace transcast::hostilefiles
{

struct Posers {
    QString playlist;   // HLS, named .avi
    QString concatList; // ffconcat, named .avi
    QString manifest;   // DASH, named .mp4
    QString streamText; // SDP, named .avi
    QStringList all() const { return {playlist, concatList, manifest, streamText}; }
};

inline bool writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Writes the posers into `folder`, and into `elsewhere` the clip the
// playlist names.
inline Posers makePosers(const QString& folder, const QString& elsewhere)
{
    Posers posers;
    QDir(folder).mkpath(QStringLiteral("sub"));
    const QString secret = QDir(elsewhere).filePath(QStringLiteral("private.ts"));
    const QString below = QDir(folder).filePath(QStringLiteral("sub/private.mp4"));
    EXPECT_TRUE(testclips::makeMovie(secret, 1, {"-c:v", "mpeg2video", "-c:a", "mp2"}));
    EXPECT_TRUE(testclips::makeMovie(below, 1, {"-c:v", "mpeg4", "-c:a", "aac"}));
    posers.playlist = QDir(folder).filePath(QStringLiteral("playlist.avi"));
    posers.concatList = QDir(folder).filePath(QStringLiteral("list.avi"));
    posers.manifest = QDir(folder).filePath(QStringLiteral("manifest.mp4"));
    posers.streamText = QDir(folder).filePath(QStringLiteral("stream.avi"));
    EXPECT_TRUE(writeText(posers.playlist, "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:1,\n" +
                                               secret.toUtf8() + "\n#EXT-X-ENDLIST\n"));
    EXPECT_TRUE(writeText(posers.concatList, "ffconcat version 1.0\nfile sub/private.mp4\n"));
    EXPECT_TRUE(writeText(
        posers.manifest,
        "<?xml version=\"1.0\"?>\n<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" type=\"static\" "
        "mediaPresentationDuration=\"PT1S\" minBufferTime=\"PT1S\" "
        "profiles=\"urn:mpeg:dash:profile:isoff-on-demand:2011\"><Period><AdaptationSet "
        "mimeType=\"video/mp4\"><Representation id=\"1\" bandwidth=\"1000\"><BaseURL>sub/"
        "private.mp4</BaseURL></Representation></AdaptationSet></Period></MPD>\n"));
    EXPECT_TRUE(writeText(posers.streamText, "v=0\no=- 0 0 IN IP4 127.0.0.1\ns=x\nc=IN IP4 "
                                             "127.0.0.1\nt=0 0\nm=video 5004 RTP/AVP 96\n"
                                             "a=rtpmap:96 H264/90000\n"));
    return posers;
}

} // namespace transcast::hostilefiles
