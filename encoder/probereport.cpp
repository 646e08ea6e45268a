#include "probereport.h"

#include <cmath>
#include <cstdio>

namespace transcast
{

namespace
{

const char* const lineEnd = "\r\n";

// The app reads the report in blocks of 2048 bytes and recomputes its values
// from each block alone; a report that fits one block cannot lose them.
const size_t reportLimit = 2048;
const size_t omissionReserve = 48; // room for the "more streams" line

std::string kbps(long long bitsPerSecond)
{
    return std::to_string(bitsPerSecond / 1000) + " kb/s";
}

// ffmpeg's way: two decimals only when the rate is not whole (29.97, 23.98).
std::string formatRate(double framesPerSecond)
{
    const long long hundredths = std::llround(framesPerSecond * 100);
    char text[32];
    if (hundredths % 100 != 0)
        std::snprintf(text, sizeof text, "%.2f", hundredths / 100.0);
    else
        std::snprintf(text, sizeof text, "%lld", hundredths / 100);
    return text;
}

std::string describeStream(const StreamSummary& stream)
{
    std::string text;
    const auto add = [&text](const std::string& part) {
        if (!part.empty())
            text += ", " + part;
    };
    const std::string size = std::to_string(stream.width) + "x" + std::to_string(stream.height);
    switch (stream.type) {
    case StreamSummary::Type::Video:
        // The frame size comes first: the reader takes the first "x" after
        // "Video:", and codec names may hold one. Without a known size the
        // stream is not offered as "Video:" at all, so the reader falls back
        // to its default size instead of reading a codec name.
        if (stream.width > 0 && stream.height > 0)
            text = "Video: " + size + ", " + stream.codec;
        else
            text = "Video of unknown size: " + stream.codec;
        add(stream.pixelFormat);
        if (stream.bitRate > 0)
            add(kbps(stream.bitRate));
        if (stream.framesPerSecond > 0)
            add(formatRate(stream.framesPerSecond) + " fps");
        break;
    case StreamSummary::Type::Audio:
        text = "Audio: " + stream.codec;
        if (stream.sampleRate > 0)
            add(std::to_string(stream.sampleRate) + " Hz");
        add(stream.channelLayout);
        if (stream.bitRate > 0)
            add(kbps(stream.bitRate));
        break;
    case StreamSummary::Type::Picture:
        // Cover art: a still picture, not something to convert as video.
        text = "Picture: " + size + ", " + stream.codec;
        break;
    case StreamSummary::Type::Subtitle:
        text = "Subtitle: " + stream.codec;
        break;
    case StreamSummary::Type::Data:
        text = "Data: " + stream.codec;
        break;
    case StreamSummary::Type::Attachment:
        text = "Attachment: " + stream.codec;
        break;
    case StreamSummary::Type::Other:
        text = "Other: " + stream.codec;
        break;
    }
    return text;
}

// "sound, eng, aac, 6 channels, default, preferred": what the app offers to
// choose; empty for a stream that is neither sound nor subtitle.
std::string describeTrack(const StreamSummary& stream, bool preferred)
{
    const std::string language = stream.language.empty() ? "und" : stream.language;
    std::string text;
    if (stream.type == StreamSummary::Type::Audio)
        text = "sound, " + language + ", " + stream.codec + ", " + std::to_string(stream.channels) +
               " channels";
    else if (stream.type == StreamSummary::Type::Subtitle)
        text = "subtitle, " + language + ", " + stream.codec + ", " +
               (stream.textSubtitle ? "text" : "picture");
    else
        return text;
    if (stream.flaggedDefault)
        text += ", default";
    if (preferred)
        text += ", preferred";
    return text;
}

} // namespace

int preferredSound(const MediaSummary& media)
{
    // ffmpeg's own score: the default flag outweighs any number of channels.
    long long best = 0;
    int chosen = -1;
    for (size_t index = 0; index < media.streams.size(); ++index) {
        const StreamSummary& stream = media.streams[index];
        if (stream.type != StreamSummary::Type::Audio)
            continue;
        const long long score = stream.channels + (stream.flaggedDefault ? 5000000LL : 0);
        if (chosen < 0 || score > best) {
            best = score;
            chosen = static_cast<int>(index);
        }
    }
    return chosen;
}

long long overallBitRate(const MediaSummary& media)
{
    if (media.bitRate > 0)
        return media.bitRate;
    if (media.fileSize > 0 && media.durationUs > 0)
        return static_cast<long long>(static_cast<double>(media.fileSize) * 8e6 /
                                      static_cast<double>(media.durationUs));
    long long sum = 0;
    for (const StreamSummary& stream : media.streams)
        sum += stream.bitRate;
    return sum;
}

std::string formatClock(long long durationUs)
{
    if (durationUs < 0)
        durationUs = 0;
    const long long longest = 99LL * 3600 * 1000000 + 59LL * 60 * 1000000 + 59990000;
    // Rounded to the nearest hundredth, as ffmpeg's own report does.
    long long hundredths = (durationUs + 5000) / 10000;
    if (hundredths * 10000 > longest)
        hundredths = longest / 10000;
    const long long seconds = hundredths / 100;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%02lld", seconds / 3600,
                  seconds / 60 % 60, seconds % 60, hundredths % 100);
    return text;
}

std::string formatProbeReport(const MediaSummary& media)
{
    std::string report = "Input #0, " + media.formatName + ":" + lineEnd;

    char start[48];
    const long long magnitude = media.startUs < 0 ? -media.startUs : media.startUs;
    std::snprintf(start, sizeof start, "%s%lld.%06lld", media.startUs < 0 ? "-" : "",
                  magnitude / 1000000, magnitude % 1000000);
    report += "  Duration: " + formatClock(media.durationUs) + ", start: " + start +
              ", bitrate: " + kbps(overallBitRate(media)) + lineEnd;

    for (size_t index = 0; index < media.streams.size(); ++index) {
        const std::string line = "    Stream #0." + std::to_string(index) + ": " +
                                 describeStream(media.streams[index]) + lineEnd;
        if (report.size() + line.size() + omissionReserve > reportLimit) {
            report += "    (" + std::to_string(media.streams.size() - index) +
                      " more streams not listed)" + lineEnd;
            return report;
        }
        report += line;
    }
    const int preferred = preferredSound(media);
    std::vector<std::string> tracks;
    for (size_t index = 0; index < media.streams.size(); ++index) {
        const std::string track =
            describeTrack(media.streams[index], static_cast<int>(index) == preferred);
        if (!track.empty())
            tracks.push_back("    Track #0." + std::to_string(index) + ": " + track + lineEnd);
    }
    for (size_t shown = 0; shown < tracks.size(); ++shown) {
        if (report.size() + tracks[shown].size() + omissionReserve > reportLimit) {
            report += "    (" + std::to_string(tracks.size() - shown) + " more tracks not listed)" +
                      lineEnd;
            break;
        }
        report += tracks[shown];
    }
    return report;
}

std::string formatProbeFailure(const std::string& path, const std::string& reason)
{
    const std::string name = path.find("bitrate:") == std::string::npos ? path : "Input";
    return name + ": " + reason + lineEnd;
}

} // namespace transcast
