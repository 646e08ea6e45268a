#include "ffmpegcommand.h"

#include <algorithm>
#include <cstdlib>

namespace transcast
{

namespace
{

std::vector<std::string> globalOptions(int progressFd)
{
    // -nostdin: the app's pipe on our standard input is never written nor
    // closed, and ffmpeg would otherwise wait on it for "overwrite? [y/N]".
    return {
        "-hide_banner",  "-nostdin", "-nostats", "-progress", "pipe:" + std::to_string(progressFd),
        "-stats_period", "0.5"};
}

} // namespace

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

std::vector<std::string> conversionArguments(const Invocation& invocation, int progressFd)
{
    std::vector<std::string> arguments = globalOptions(progressFd);
    std::vector<std::string> options(invocation.arguments.begin(), invocation.arguments.end() - 1);
    for (std::string& option : modernSpelling(options))
        arguments.push_back(std::move(option));
    arguments.push_back(outputUrl(invocation.output));
    return arguments;
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
    const std::vector<std::string> pcm = {
        "-vn",  "-sn",  "-dn",       "-ac", "1",     "-ar",
        "8000", "-c:a", "pcm_s16le", "-f",  "s16le", "pipe:" + std::to_string(pcmFd)};
    arguments.insert(arguments.end(), pcm.begin(), pcm.end());
    return arguments;
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
