#include "pacing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace transcast
{

namespace
{

// The samples of priming an audio encoder puts ahead of the sound, as
// ffmpeg 5.1 gives them (the stream's initial padding): LAME's encoder delay
// and the MP3 decoder's; one WMA frame, whose length follows the sample rate;
// the MPEG audio and AC-3 filter banks; one AAC frame. 0 for an encoder that
// primes with nothing, PCM among them.
long primingSamples(const std::string& codec, long sampleRate)
{
    if (codec == "libmp3lame")
        return 576 + 529;
    if (codec == "wmav1" || codec == "wmav2") {
        if (sampleRate <= 16000)
            return 512;
        if (sampleRate <= 22050 || (codec == "wmav1" && sampleRate <= 32000))
            return 1024;
        return 2048;
    }
    if (codec == "mp2")
        return 481;
    if (codec == "ac3")
        return 256;
    if (codec == "aac")
        return 1024;
    return 0;
}

} // namespace

std::string lastValueOf(const std::vector<std::string>& options,
                        std::initializer_list<const char*> names)
{
    std::string value;
    for (size_t i = 0; i + 1 < options.size(); ++i) {
        for (const char* name : names) {
            if (options[i] == name)
                value = options[i + 1];
        }
    }
    return value;
}

bool hasArgument(const std::vector<std::string>& options, const char* option)
{
    return std::find(options.begin(), options.end(), option) != options.end();
}

size_t inputValueAt(const std::vector<std::string>& arguments)
{
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "-i")
            return i + 1;
    }
    return arguments.size();
}

std::vector<std::string> inputArgumentsOf(const std::vector<std::string>& arguments)
{
    const size_t at = inputValueAt(arguments);
    if (at >= arguments.size())
        return {};
    size_t first = at - 1;
    static const char* const kInputOptions[] = {"-protocol_whitelist", "-f", "-pattern_type"};
    while (first >= 2 && std::find(std::begin(kInputOptions), std::end(kInputOptions),
                                   arguments[first - 2]) != std::end(kInputOptions))
        first -= 2;
    return {arguments.begin() + static_cast<long>(first),
            arguments.begin() + static_cast<long>(at) + 1};
}

std::vector<std::string> outputOptionsOf(const std::vector<std::string>& arguments)
{
    const size_t at = inputValueAt(arguments);
    if (at >= arguments.size())
        return {};
    return {arguments.begin() + static_cast<long>(at) + 1, arguments.end()};
}

std::string requestedFrameRate(const std::vector<std::string>& options)
{
    std::string rate;
    for (size_t i = 0; i + 1 < options.size(); ++i) {
        const std::string& value = options[i + 1];
        if (options[i] == "-r" && !value.empty() &&
            value.find_first_not_of("0123456789./") == std::string::npos) {
            rate = value;
        } else if (options[i] == "-target") {
            // As ffmpeg reads a target: the rate of its norm. Without a norm
            // ffmpeg guesses one from the source, and keeps its rate.
            const std::string norm = value.substr(0, value.find('-'));
            if (norm == "pal")
                rate = "25";
            else if (norm == "ntsc")
                rate = "30000/1001";
            else if (norm == "film")
                rate = "24000/1001";
        }
    }
    return rate;
}

std::string paceFilter(const std::vector<std::string>& options)
{
    const std::string rate = requestedFrameRate(options);
    return rate.empty() ? std::string() : "fps=" + rate + ":start_time=0";
}

std::string soundFilter(const std::vector<std::string>& options)
{
    // The fold-down happens in this resampler, where its scaling is set,
    // rather than in the one ffmpeg adds for "-ac" with its own settings.
    // The scaling acts only where weights add up to more than 1: a fold-down,
    // never a mono source spread over two channels (0.707 each).
    std::string chain = "aresample=rematrix_maxval=1";
    const std::string channels = lastValueOf(options, {"-ac"});
    if (channels == "1")
        chain += ",aformat=channel_layouts=mono";
    else if (channels == "2")
        chain += ",aformat=channel_layouts=stereo";
    if (lastValueOf(options, {"-f"}) == "avi") {
        long sampleRate = std::atol(lastValueOf(options, {"-ar"}).c_str());
        if (sampleRate <= 0)
            sampleRate = 44100;
        const long priming =
            primingSamples(lastValueOf(options, {"-acodec", "-c:a", "-codec:a"}), sampleRate);
        if (priming > 0) {
            char start[48];
            std::snprintf(start, sizeof start, ",atrim=start=%.6f",
                          double(priming) / double(sampleRate));
            chain += start;
        }
    }
    return chain;
}

void keepSoundWithPicture(std::vector<std::string>& arguments)
{
    const size_t at = inputValueAt(arguments);
    const std::vector<std::string> options = outputOptionsOf(arguments);
    if (at >= arguments.size())
        return;
    const bool avi = lastValueOf(options, {"-f"}) == "avi";
    if (avi && lastValueOf(options, {"-vcodec", "-c:v", "-codec:v"}) == "libx264" &&
        !hasArgument(options, "-bf") && !hasArgument(options, "-vn"))
        arguments.insert(arguments.end(), {"-bf", "0"});
    if (avi && !hasArgument(options, "-avoid_negative_ts"))
        arguments.insert(arguments.end(), {"-avoid_negative_ts", "disabled"});
    const std::string codec = lastValueOf(options, {"-acodec", "-c:a", "-codec:a", "-c", "-codec"});
    if (hasArgument(options, "-an") || codec == "copy")
        return;
    const std::string chain = soundFilter(options);
    for (size_t i = at + 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "-af" || arguments[i] == "-filter:a") {
            arguments[i + 1] += "," + chain;
            return;
        }
    }
    arguments.push_back("-af");
    arguments.push_back(chain);
}

} // namespace transcast
