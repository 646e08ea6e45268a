#include "trackplan.h"

#include <cerrno>
#include <cstdlib>

#include "mediaprobe.h"
#include "pacing.h"

namespace transcast
{

namespace
{

enum class SoftSubtitles { None, AsTheyAre, MovText, WebVtt };

SoftSubtitles softSubtitlesOf(const std::vector<std::string>& outputOptions)
{
    const std::string format = lastValueOf(outputOptions, {"-f"});
    if (format == "matroska")
        return SoftSubtitles::AsTheyAre;
    if (format == "mp4" || format == "mov" || format == "ipod")
        return SoftSubtitles::MovText;
    if (format == "webm")
        return SoftSubtitles::WebVtt;
    return SoftSubtitles::None;
}

// The text codecs every container above takes one way or the other; other
// text streams (closed captions, teletext) stay behind.
bool keepableText(const StreamSummary& stream)
{
    static const char* const codecs[] = {"subrip",   "srt",    "ass", "ssa",
                                         "mov_text", "webvtt", "text"};
    if (stream.type != StreamSummary::Type::Subtitle || !stream.textSubtitle)
        return false;
    for (const char* codec : codecs)
        if (stream.codec == codec)
            return true;
    return false;
}

bool readIndex(const char* name, int& index, std::string& error)
{
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] == '\0')
        return true;
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(value, &end, 10);
    if (*end != '\0' || errno != 0 || number < 0 || number > 100000) {
        error = std::string(name) + " is no stream index: " + value;
        return false;
    }
    index = static_cast<int>(number);
    return true;
}

std::string stream(int index)
{
    return "0:" + std::to_string(index);
}

std::string describe(const StreamSummary& stream, int index)
{
    std::string text = "stream " + std::to_string(index) + " (" +
                       (stream.language.empty() ? "und" : stream.language) + ", " + stream.codec;
    if (stream.type == StreamSummary::Type::Audio)
        text += ", " + std::to_string(stream.channels) + " channels";
    return text + ")";
}

bool isStreamOf(const MediaSummary& media, int index, StreamSummary::Type type)
{
    return index >= 0 && index < static_cast<int>(media.streams.size()) &&
           media.streams[static_cast<size_t>(index)].type == type;
}

} // namespace

bool trackChoiceFromEnvironment(TrackChoice& choice, std::string& error)
{
    return readIndex("TRANSCAST_AUDIO_STREAM", choice.soundStream, error) &&
           readIndex("TRANSCAST_BURN_SUBTITLE", choice.burntSubtitle, error);
}

bool tracksMatter(const std::vector<std::string>& outputOptions, bool soundOnly,
                  const TrackChoice& choice)
{
    if (soundOnly)
        return choice.soundStream >= 0;
    return choice.soundStream >= 0 || choice.burntSubtitle >= 0 ||
           softSubtitlesOf(outputOptions) != SoftSubtitles::None;
}

bool planTracks(const MediaSummary& media, const std::string& sourcePath,
                const std::vector<std::string>& outputOptions, bool soundOnly,
                const TrackChoice& choice, TrackPlan& plan, std::string& error)
{
    plan = TrackPlan();
    if (choice.soundStream >= 0 &&
        !isStreamOf(media, choice.soundStream, StreamSummary::Type::Audio)) {
        error = "the source has no sound stream " + std::to_string(choice.soundStream);
        return false;
    }
    const bool burns = choice.burntSubtitle >= 0 && !soundOnly;
    if (burns && !isStreamOf(media, choice.burntSubtitle, StreamSummary::Type::Subtitle)) {
        error = "the source has no subtitle stream " + std::to_string(choice.burntSubtitle);
        return false;
    }
    if (soundOnly) {
        if (choice.soundStream >= 0) {
            plan.outputOptions = {"-map", stream(choice.soundStream)};
            plan.summary = "sound: " +
                           describe(media.streams[size_t(choice.soundStream)], choice.soundStream) +
                           "\n";
        }
        return true;
    }
    const StreamSummary* video = firstMovingPicture(media);
    if (video == nullptr)
        return true;
    const int videoIndex = static_cast<int>(video - media.streams.data());

    const SoftSubtitles soft = softSubtitlesOf(outputOptions);
    std::vector<int> kept;
    int subtitlePosition = 0; // among the subtitle streams, as ffmpeg's "si" counts
    int burntPosition = -1;
    for (size_t index = 0; index < media.streams.size(); ++index) {
        const StreamSummary& candidate = media.streams[index];
        if (candidate.type != StreamSummary::Type::Subtitle)
            continue;
        if (static_cast<int>(index) == choice.burntSubtitle)
            burntPosition = subtitlePosition;
        else if (soft != SoftSubtitles::None && keepableText(candidate))
            kept.push_back(static_cast<int>(index));
        ++subtitlePosition;
    }
    if (choice.soundStream < 0 && kept.empty() && !burns)
        return true;

    // Once any stream is mapped ffmpeg maps nothing by itself: the picture
    // and the sound it would have taken are named too.
    std::vector<std::string>& options = plan.outputOptions;
    if (burns) {
        const StreamSummary& burnt = media.streams[size_t(choice.burntSubtitle)];
        if (burnt.textSubtitle) {
            plan.burnGraph = "[" + stream(videoIndex) + "]subtitles=filename=/dev/fd/" +
                             std::to_string(kBurnSourceFd) +
                             ":si=" + std::to_string(burntPosition) + "[burned]";
            plan.burnSource = sourcePath;
        } else {
            plan.burnGraph =
                "[" + stream(videoIndex) + "][" + stream(choice.burntSubtitle) + "]overlay[burned]";
        }
        options.insert(options.end(), {"-filter_complex", plan.burnGraph, "-map", "[burned]"});
        plan.summary += "burnt in: " + describe(burnt, choice.burntSubtitle) + "\n";
    } else {
        options.insert(options.end(), {"-map", stream(videoIndex)});
    }
    const int sound = choice.soundStream >= 0 ? choice.soundStream : preferredSound(media);
    if (sound >= 0) {
        options.insert(options.end(), {"-map", stream(sound)});
        plan.summary += "sound: " + describe(media.streams[size_t(sound)], sound) + "\n";
    }
    for (size_t i = 0; i < kept.size(); ++i) {
        options.insert(options.end(), {"-map", stream(kept[i])});
        const StreamSummary& text = media.streams[size_t(kept[i])];
        std::string codec = soft == SoftSubtitles::WebVtt ? "webvtt" : "mov_text";
        if (soft == SoftSubtitles::WebVtt && text.codec == "webvtt")
            codec = "copy";
        else if (soft == SoftSubtitles::AsTheyAre)
            codec = text.codec == "mov_text" || text.codec == "text" ? "srt" : "copy";
        options.insert(options.end(), {"-c:s:" + std::to_string(i), codec});
        plan.summary += "subtitle kept: " + describe(text, kept[i]) + " as " +
                        (codec == "copy" ? text.codec : codec) + "\n";
    }
    return true;
}

} // namespace transcast
