#pragma once

#include <string>
#include <vector>

// The report "register.dat -i FILE" prints. The app reads it with fixed rules:
// the 8 characters after "Duration:" and one more character, the first line
// holding "bitrate:", "Video:" or "Audio:", the number just before " kb/s" in
// that line (looking back at most 10 characters), and the digits around the
// first lower-case "x" after "Video:". The report is shaped so that those rules
// always land on the right values:
//   Input #0, mov,mp4,m4a,3gp,3g2,mj2:
//     Duration: 00:00:10.00, start: 0.000000, bitrate: 1205 kb/s
//       Stream #0.0: Video: 640x480, h264, yuv420p, 1072 kb/s, 25 fps
//       Stream #0.1: Audio: aac, 44100 Hz, stereo, 128 kb/s
//       Track #0.1: sound, eng, aac, 2 channels, default, preferred
// every line ended by CR LF. The track lines come after every stream line and
// name each sound and subtitle stream by its index in the file, with its
// language ("und" when it has none), its codec, and for sound its channels,
// for subtitles "text" or "picture"; "default" when the file flags it so,
// "preferred" on the one sound a conversion takes when none is chosen. They
// hold none of the keys the fixed rules look for. The file name is never printed: a name holding
// "Duration:" or "bitrate:" would otherwise be read in place of the values.
namespace transcast
{

struct StreamSummary {
    enum class Type { Video, Audio, Picture, Subtitle, Data, Attachment, Other };
    Type type = Type::Other;
    std::string codec;
    // The picture as it is shown, 0 when unknown: a stream stored turned a
    // quarter (a phone's portrait video) has its stored sides swapped.
    int width = 0;
    int height = 0;
    std::string pixelFormat;    // empty: unknown
    int pictureBits = 0;        // bits per sample of the picture (8, 10), 0: unknown
    double framesPerSecond = 0; // 0: unknown
    int sampleRate = 0;         // 0: unknown
    std::string channelLayout;  // empty: unknown
    long long bitRate = 0;      // bit/s; 0: unknown
    // What the stream says of its fields, not shown in the report.
    enum class FieldOrder { Unknown, Progressive, TopFirst, BottomFirst };
    FieldOrder fieldOrder = FieldOrder::Unknown;
    // The picture's transfer as ffmpeg names it ("smpte2084", "arib-std-b67"
    // for HDR), empty when unknown; not shown in the report.
    std::string transfer;
    // Sound and subtitle streams: the ISO 639 code the file tags it with,
    // letters only ("eng"), empty when none; whether the file flags it as
    // the default one.
    std::string language;
    bool flaggedDefault = false;
    int channels = 0;          // sound; 0: unknown
    bool textSubtitle = false; // subtitle: text (subrip, ass), not pictures
};

struct MediaSummary {
    std::string formatName;    // e.g. "mov,mp4,m4a,3gp,3g2,mj2"
    long long durationUs = -1; // -1: unknown
    long long startUs = 0;     // first timestamp
    long long bitRate = 0;     // the container's, bit/s; 0: unknown
    long long fileSize = -1;   // bytes; -1: unknown
    std::vector<StreamSummary> streams;
};

// The sound stream ffmpeg takes by itself when none is chosen: the first one
// flagged default with the most channels, else the first with the most
// channels; an index into media.streams, -1 when there is no sound.
int preferredSound(const MediaSummary& media);

// The overall bitrate in bit/s: the container's when it gives one, else the
// file size over the duration, else the sum of the streams' bitrates, else 0.
long long overallBitRate(const MediaSummary& media);

// "hh:mm:ss.cc" of a duration, hundredths rounded as ffmpeg rounds them. The
// reader takes exactly two digits of hours, so longer durations are written
// as 99:59:59.99, and an unknown one as 00:00:00.00.
std::string formatClock(long long durationUs);

// The whole report, lines ended by CR LF, at most 2048 bytes: streams that
// would not fit are summed up in a last line "(N more streams not listed)".
std::string formatProbeReport(const MediaSummary& media);

// The single line for a file that cannot be read: "NAME: reason", CR LF. A
// name that holds "bitrate:" is left out ("Input: reason"), since the app
// would take a number before " kb/s" in it for a readable file's bitrate.
std::string formatProbeFailure(const std::string& path, const std::string& reason);

} // namespace transcast
