#include "dvdinput.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <pthread.h>
#include <unistd.h>

#include "childprocess.h"
#include "conversion.h"
#include "dvd/dvdlocator.h"
#include "dvd/titlereader.h"
#include "streamscan.h"

namespace transcast
{

namespace
{

// How far into the title we and ffmpeg look for its streams. A title's
// audio and subpicture packets begin within its first seconds; 32 MB is half
// a minute or more of DVD video. ffmpeg must look as far as we did, or a
// stream we chose could be missing from what it knows.
constexpr std::int64_t scanBytes = 32 << 20;
const char* const probeSize = "32M";
const char* const analyzeDuration = "60M"; // microseconds

constexpr std::int64_t feedChunk = 1 << 20;

int parseId(const std::string& id)
{
    return static_cast<int>(std::strtol(id.c_str() + 2, nullptr, 16));
}

std::string hexId(int id)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", id);
    return text;
}

// ffmpeg's MPEG-PS reader names private-stream substreams by their number
// (0x80, 0x20) but MPEG audio by its whole start code (0x1c0).
std::string ffmpegStream(int id)
{
    char text[24];
    std::snprintf(text, sizeof text, "0:i:0x%x", id >= 0xC0 ? 0x100 + id : id);
    return text;
}

bool hasOption(const std::vector<std::string>& arguments, const char* option)
{
    return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
}

// Writes the title's bytes into ffmpeg's standard input until they end or
// ffmpeg stops reading (it has what -t asked for, or it failed).
class Feeder
{
public:
    Feeder(dvd::TitleReader& reader, int fd) : m_reader(reader), m_fd(fd) {}

    void start()
    {
        m_thread = std::thread([this] { run(); });
    }
    void join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    // Empty unless the disc could not be read.
    const std::string& error() const { return m_error; }

private:
    void run()
    {
        // A reader that went away must end the feed with EPIPE, not end
        // register.dat with SIGPIPE before it reports ffmpeg's status.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

        std::vector<char> buffer(feedChunk);
        for (std::int64_t at = 0; at < m_reader.size();) {
            const std::int64_t got = m_reader.read(at, buffer.data(), feedChunk);
            if (got <= 0) {
                m_error = m_reader.error();
                break;
            }
            if (!writeAll(m_fd, std::string_view(buffer.data(), static_cast<size_t>(got))))
                break;
            at += got;
        }
        close(m_fd);
    }

    dvd::TitleReader& m_reader;
    int m_fd;
    std::thread m_thread;
    std::string m_error;
};

} // namespace

DvdStreamChoice chooseDvdStreams(const std::string& audioId, const std::string& subtitleId,
                                 const std::vector<int>& audio, const std::vector<int>& subtitles,
                                 bool keepVideo, bool keepAudio)
{
    DvdStreamChoice choice;
    const bool wantsAudio = !audioId.empty() && audioId != "0";
    const bool wantsSubtitle = !subtitleId.empty() && subtitleId != "0";

    bool burn = false;
    if (keepVideo && wantsSubtitle) {
        const int id = parseId(subtitleId);
        burn = std::find(subtitles.begin(), subtitles.end(), id) != subtitles.end();
        if (!burn)
            choice.warnings.push_back("subtitle stream " + subtitleId +
                                      " is not in this title; converting without subtitles");
        else
            choice.arguments = {"-filter_complex",
                                "[0:v:0][" + ffmpegStream(id) + "]overlay[burned]", "-map",
                                "[burned]"};
    }
    if (keepVideo && !burn)
        choice.arguments = {"-map", "0:v:0"};

    if (keepAudio && !audio.empty()) {
        int id = audio.front();
        if (wantsAudio) {
            const int wanted = parseId(audioId);
            if (std::find(audio.begin(), audio.end(), wanted) != audio.end())
                id = wanted;
            else
                choice.warnings.push_back("audio stream " + audioId +
                                          " is not in this title; using " + hexId(id));
        }
        choice.arguments.push_back("-map");
        choice.arguments.push_back(ffmpegStream(id));
    } else if (keepAudio && wantsAudio) {
        choice.warnings.push_back("audio stream " + audioId +
                                  " is not in this title, which has no sound");
    }
    return choice;
}

std::vector<std::string> dvdArguments(const std::vector<std::string>& arguments,
                                      const std::vector<std::string>& selection)
{
    std::vector<std::string> rewritten;
    size_t i = 0;
    for (; i < arguments.size(); ++i) {
        if (arguments[i] == "-i" && i + 1 < arguments.size())
            break;
        rewritten.push_back(arguments[i]);
    }
    for (const char* option : {"-probesize", probeSize, "-analyzeduration", analyzeDuration, "-f",
                               "mpeg", "-i", "pipe:0"})
        rewritten.push_back(option);
    rewritten.insert(rewritten.end(), selection.begin(), selection.end());
    for (i += 2; i < arguments.size(); ++i)
        rewritten.push_back(arguments[i]);
    return rewritten;
}

int runDvdConversion(const Invocation& invocation)
{
    std::string error;
    const std::optional<dvd::DvdLocator> locator = dvd::parseDvdLocator(invocation.input, &error);
    if (!locator) {
        reportError(error);
        return 1;
    }
    dvd::TitleReader reader;
    if (!reader.open(*locator)) {
        reportError(reader.error());
        return 1;
    }

    StreamScan scan;
    std::vector<char> head(static_cast<size_t>(std::min(scanBytes, reader.size())));
    const std::int64_t got = reader.read(0, head.data(), static_cast<std::int64_t>(head.size()));
    if (got < 0) {
        reportError(reader.error());
        return 1;
    }
    scan.feed(reinterpret_cast<const unsigned char*>(head.data()), static_cast<size_t>(got));
    head = {};

    const std::vector<std::string>& given = invocation.arguments;
    const DvdStreamChoice choice =
        chooseDvdStreams(locator->audioId, locator->subtitleId,
                         std::vector<int>(scan.audioIds().begin(), scan.audioIds().end()),
                         std::vector<int>(scan.subtitleIds().begin(), scan.subtitleIds().end()),
                         !hasOption(given, "-vn"), !hasOption(given, "-an"));
    for (const std::string& warning : choice.warnings)
        reportError(warning);

    Invocation fromPipe = invocation;
    fromPipe.input = "pipe:0";
    fromPipe.arguments = dvdArguments(given, choice.arguments);
    fromPipe.kind = hasAmrExtension(invocation.output) ? Invocation::Kind::ConvertAmr
                                                       : Invocation::Kind::Convert;

    int feed[2];
    if (!pipeAbove(feed)) {
        reportError(std::string("cannot create a pipe: ") + std::strerror(errno));
        return 1;
    }
    const bool existed = entryExists(fromPipe.output);
    Feeder feeder(reader, feed[1]);
    feeder.start();
    const int status = fromPipe.kind == Invocation::Kind::ConvertAmr
                           ? runAmrConversion(fromPipe, feed[0])
                           : runConversion(fromPipe, feed[0]);
    // ffmpeg has ended; without a reader left, the feeder's next write fails
    // and it stops.
    close(feed[0]);
    feeder.join();
    if (!feeder.error().empty()) {
        // ffmpeg took the cut-off stream for the whole title and may have
        // ended well: what it wrote is not the title.
        reportError(feeder.error());
        removeFailedOutput(fromPipe.output, existed);
        return status != 0 ? status : 1;
    }
    return status;
}

} // namespace transcast
