#include "ffmpegcommand.h"

#include <algorithm>
#include <cstdlib>

#include <sys/stat.h>

#include "messagefilter.h"
#include "pacing.h"
#include "shape.h"

namespace transcast
{

namespace
{

std::vector<std::string> globalOptions(int progressFd)
{
    // -nostdin: the app's pipe on our standard input is never written nor
    // closed, and ffmpeg would otherwise wait on it for "overwrite? [y/N]".
    // -y: the output is the file the job claimed (OutputClaim), empty and
    // ours, whether the caller said "-y" or not.
    return {"-hide_banner",  "-nostdin", "-y",        "-loglevel",
            kTaggedLogLevel, "-nostats", "-progress", "pipe:" + std::to_string(progressFd),
            "-stats_period", "0.5"};
}

// Removes every "-fpsmax VALUE" after the input: ffmpeg 5.1 refuses it
// beside "-r" ("Only one of -fpsmax and -r can be set for a stream").
void dropRateCeiling(std::vector<std::string>& arguments)
{
    const size_t input = inputValueAt(arguments);
    for (size_t i = input < arguments.size() ? input + 1 : 0; i + 1 < arguments.size();) {
        if (arguments[i] == "-fpsmax")
            arguments.erase(arguments.begin() + static_cast<long>(i),
                            arguments.begin() + static_cast<long>(i) + 2);
        else
            ++i;
    }
}

bool hasOutputOption(const std::vector<std::string>& arguments, const char* option)
{
    const size_t input = inputValueAt(arguments);
    for (size_t i = input < arguments.size() ? input + 1 : 0; i < arguments.size(); ++i) {
        if (arguments[i] == option)
            return true;
    }
    return false;
}

} // namespace

void fitSampleRate(std::vector<std::string>& options)
{
    if (lastValueOf(options, {"-acodec", "-c:a", "-codec:a"}) != "libopus")
        return;
    static const char* const kOpusRates[] = {"48000", "24000", "16000", "12000", "8000"};
    for (size_t i = 0; i + 1 < options.size(); ++i) {
        if (options[i] == "-i") {
            ++i;
            continue;
        }
        if (options[i] == "-ar" &&
            std::none_of(std::begin(kOpusRates), std::end(kOpusRates),
                         [&](const char* rate) { return options[i + 1] == rate; }))
            options[i + 1] = "48000";
    }
}

std::string ffmpegProgram()
{
    const char* configured = std::getenv("TRANSCAST_FFMPEG");
    if (configured != nullptr && configured[0] != '\0')
        return configured;
    return "ffmpeg";
}

std::vector<std::string> modernSpelling(const std::vector<std::string>& arguments)
{
    std::vector<std::string> mapped;
    mapped.reserve(arguments.size());
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "-i" && hasValue) {
            mapped.push_back(argument);
            mapped.push_back(arguments[++i]);
        } else if (argument == "-aspect" && hasValue) {
            std::string ratio = arguments[++i];
            std::replace(ratio.begin(), ratio.end(), ',', '.');
            mapped.push_back(argument);
            mapped.push_back(ratio);
        } else if (argument.empty()) {
            // Only a split of two blanks in a row makes one; ffmpeg would
            // take it for an output named "".
            continue;
        } else if (argument == "-b") {
            mapped.push_back("-b:v");
        } else if (argument == "-ab") {
            mapped.push_back("-b:a");
        } else {
            mapped.push_back(argument);
        }
    }
    return mapped;
}

std::string outputUrl(const std::string& path)
{
    if (path.empty() || path[0] == '/')
        return path;
    const size_t colon = path.find(':');
    const bool colonBeforeFolder = colon != std::string::npos && colon < path.find('/');
    if (path[0] == '-' || colonBeforeFolder)
        return "file:" + path;
    return path;
}

RateControlPlan conversionPlan(const Invocation& invocation)
{
    const std::vector<std::string> options(invocation.arguments.begin(),
                                           invocation.arguments.end() - 1);
    std::vector<std::string> modern = modernSpelling(options);
    fitSampleRate(modern);
    // The profile's ceiling on the rate is carried out by the picture's plan
    // (motion.h) in the job's "-r".
    if (!requestedFrameRate(outputOptionsOf(modern)).empty())
        dropRateCeiling(modern);
    // A second pass reads the source again: a file can be, the pipe a disc
    // title arrives on cannot.
    struct stat entry;
    const bool rereadable = invocation.kind == Invocation::Kind::Convert &&
                            stat(invocation.input.c_str(), &entry) == 0 && S_ISREG(entry.st_mode);
    return planRateControl(modern, rateControlEnabled(), rereadable);
}

std::vector<std::string> passArguments(const std::vector<std::string>& arguments, int pass,
                                       const std::string& logPrefix)
{
    std::vector<std::string> result(arguments.begin(), arguments.end() - 1);
    result.insert(result.end(), {"-pass", std::to_string(pass), "-passlogfile", logPrefix});
    if (pass == 1) {
        // Statistics of the picture alone: no sound to encode, no file.
        result.insert(result.end(), {"-an", "-sn", "-dn", "-f", "null", "-"});
    } else {
        result.push_back(arguments.back());
    }
    return result;
}

std::vector<std::string> conversionArguments(const Invocation& invocation, int progressFd,
                                             const RateControlPlan& plan)
{
    std::vector<std::string> arguments = globalOptions(progressFd);
    arguments.insert(arguments.end(), plan.options.begin(), plan.options.end());
    // Before the picture's filters, which join a burning graph's chain.
    arguments.insert(arguments.end(), invocation.tracks.outputOptions.begin(),
                     invocation.tracks.outputOptions.end());
    evenFrameSizes(arguments);
    if (!invocation.picture.frameRate.empty()) {
        // The output's rate where the profile's stood (after the input).
        const size_t input = inputValueAt(arguments);
        bool replaced = false;
        for (size_t i = arguments.size() - 1; i > input && input < arguments.size(); --i) {
            if (arguments[i - 1] == "-r") {
                arguments[i] = invocation.picture.frameRate;
                replaced = true;
                break;
            }
        }
        if (!replaced && input < arguments.size()) {
            dropRateCeiling(arguments);
            arguments.insert(arguments.end(), {"-r", invocation.picture.frameRate});
        }
    }
    addPictureFilters(arguments, invocation.picture);
    // libx265 and libsvtav1 would otherwise take the source's sampling
    // (4:2:2, 4:4:4) when nothing looked at it: 4:2:0 in 8 bits plays.
    const std::string codec =
        lastValueOf(outputOptionsOf(arguments), {"-vcodec", "-c:v", "-codec:v"});
    if ((codec == "libx265" || codec == "libsvtav1") && !hasOutputOption(arguments, "-pix_fmt") &&
        !hasOutputOption(arguments, "-vn"))
        arguments.insert(arguments.end(), {"-pix_fmt", "yuv420p"});
    keepSoundWithPicture(arguments);
    arguments.push_back(outputUrl(invocation.output));
    return arguments;
}

std::vector<std::string> conversionArguments(const Invocation& invocation, int progressFd)
{
    return conversionArguments(invocation, progressFd, conversionPlan(invocation));
}

std::vector<std::string> pcmArguments(const Invocation& invocation, int progressFd, int pcmFd)
{
    std::vector<std::string> arguments = globalOptions(progressFd);
    const std::vector<std::string>& given = invocation.arguments;
    const size_t last = given.size() - 1; // the output: we write it ourselves

    size_t i = 0;
    for (; i < last; ++i) {
        arguments.push_back(given[i]);
        if (given[i] == "-i" && i + 1 < last) {
            arguments.push_back(given[++i]);
            ++i;
            break;
        }
    }
    for (; i < last; ++i) {
        const std::string& option = given[i];
        if ((option == "-ss" || option == "-t" || option == "-to") && i + 1 < last) {
            arguments.push_back(option);
            arguments.push_back(given[++i]);
        }
    }
    arguments.insert(arguments.end(), invocation.tracks.outputOptions.begin(),
                     invocation.tracks.outputOptions.end());
    const std::vector<std::string> pcm = {
        "-vn",  "-sn",  "-dn",       "-ac", "1",     "-ar",
        "8000", "-c:a", "pcm_s16le", "-f",  "s16le", "pipe:" + std::to_string(pcmFd)};
    arguments.insert(arguments.end(), pcm.begin(), pcm.end());
    return arguments;
}

std::string evenFrameSize(const std::string& size)
{
    const size_t x = size.find('x');
    if (x == std::string::npos || x == 0 || x + 1 == size.size())
        return size;
    const std::string width = size.substr(0, x);
    const std::string height = size.substr(x + 1);
    if (width.find_first_not_of("0123456789") != std::string::npos ||
        height.find_first_not_of("0123456789") != std::string::npos || width.size() > 6 ||
        height.size() > 6)
        return size;
    const auto even = [](long value) { return std::to_string(value < 2 ? 2 : value - value % 2); };
    return even(std::stol(width)) + "x" + even(std::stol(height));
}

bool needsEvenFrameSize(const std::vector<std::string>& arguments)
{
    // Encoders that take any frame size: lossless and picture formats, and
    // copying. Everything else the profiles use subsamples its chroma 2:1.
    static const char* const anySize[] = {"copy",    "rawvideo", "png",   "bmp",
                                          "tiff",    "gif",      "ffv1",  "huffyuv",
                                          "ffvhuff", "utvideo",  "qtrle", "r210"};
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "-i") {
            ++i;
            continue;
        }
        if (option == "-vcodec" || option == "-c:v" || option == "-codec:v") {
            const std::string& codec = arguments[i + 1];
            return std::none_of(std::begin(anySize), std::end(anySize),
                                [&codec](const char* name) { return codec == name; });
        }
    }
    return true;
}

void evenFrameSizes(std::vector<std::string>& arguments)
{
    if (!needsEvenFrameSize(arguments))
        return;
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "-i") {
            ++i;
            continue;
        }
        if (arguments[i] == "-s")
            arguments[i + 1] = evenFrameSize(arguments[i + 1]);
    }
}

bool asksForPicture(const Invocation& invocation)
{
    const std::vector<std::string>& given = invocation.arguments;
    const auto input = std::find(given.begin(), given.end(), "-i");
    if (input == given.end() || given.size() < 2)
        return false;
    return std::find(input, given.end() - 1, "-vn") == given.end() - 1;
}

double requestedAudioBitrate(const Invocation& invocation)
{
    const std::vector<std::string>& given = invocation.arguments;
    double requested = 0;
    for (size_t i = 0; i + 1 < given.size(); ++i) {
        if (given[i] == "-i") {
            ++i;
            continue;
        }
        if (given[i] == "-ab" || given[i] == "-b:a") {
            char* end = nullptr;
            const double value = std::strtod(given[i + 1].c_str(), &end);
            if (end != given[i + 1].c_str() && *end == '\0' && value > 0)
                requested = value;
        }
    }
    return requested;
}

} // namespace transcast
