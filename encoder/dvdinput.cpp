#include "dvdinput.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include "childprocess.h"
#include "conversion.h"
#include "motion.h"
#include "pacing.h"
#include "dvd/dvdlocator.h"
#include "dvd/programchain.h"
#include "dvd/titlereader.h"
#include "dvd/tracktext.h"
#include "streamscan.h"
#include "stretchedges.h"
#include "subtitlelead.h"

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

// ffmpeg's MPEG-PS reader names private-stream substreams by their number
// (0x80, 0x20) but MPEG audio by its whole start code (0x1c0).
std::string ffmpegStream(int id)
{
    char text[24];
    std::snprintf(text, sizeof text, "0:i:0x%x", id >= 0xC0 ? 0x100 + id : id);
    return text;
}

// The picture plan for a title from its first sectors, held in memory: they
// are handed to the look as a file of their own (a memfd), read from its
// start.
PicturePlan pictureOfTitleStart(const char* data, size_t size,
                                const std::vector<std::string>& options)
{
    StreamSummary video;
    video.type = StreamSummary::Type::Video;
    video.codec = "mpeg2video";
    const int made = memfd_create("title-start", MFD_CLOEXEC);
    int fd = made >= 0 ? fcntl(made, F_DUPFD_CLOEXEC, 10) : -1;
    if (made >= 0)
        close(made);
    if (fd >= 0 && (!writeAll(fd, std::string_view(data, size)) || lseek(fd, 0, SEEK_SET) != 0)) {
        close(fd);
        fd = -1;
    }
    if (fd < 0)
        return planPicture(video, {}, {}, pictureChoicesFromEnvironment(), options);
    PicturePlan plan = preparePicture(video, -1, {"-f", "mpeg", "-i", "pipe:0"}, options, fd);
    close(fd);
    return plan;
}

bool hasOption(const std::vector<std::string>& arguments, const char* option)
{
    return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
}

// Writes the stretch's bytes into ffmpeg's standard input until they end or
// ffmpeg stops reading (it has what -t asked for, or it failed): first the
// announcement of a late subtitle, then the stretch with its edges edited,
// then from the sectors after it the sound of its last pictures; the
// subtitle being burnt in led to the pictures it shows on.
class Feeder
{
public:
    Feeder(dvd::TitleReader& reader, const dvd::DvdLocator& locator, std::string announcement,
           int burnedSubtitle, int fd)
        : m_reader(reader), m_locator(locator), m_announcement(std::move(announcement)), m_fd(fd),
          m_lead(burnedSubtitle)
    {
    }

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

        if (writeAll(m_fd, m_announcement) && feedStretch() && feedTail()) {
            std::string held;
            m_lead.finish(held);
            writeAll(m_fd, held);
        }
        close(m_fd);
    }

    // False when the feed has ended: ffmpeg stopped reading, or the disc
    // could not be read.
    bool feedStretch()
    {
        std::vector<char> buffer(feedChunk);
        for (std::int64_t at = 0; at < m_reader.size();) {
            const std::int64_t got = m_reader.read(at, buffer.data(), feedChunk);
            if (got <= 0) {
                m_error = m_reader.error();
                return false;
            }
            auto* sectors = reinterpret_cast<unsigned char*>(buffer.data());
            m_out.clear();
            for (std::int64_t done = 0; done + dvd::SectorSize <= got; done += dvd::SectorSize) {
                m_edges.editStretch(sectors + done);
                m_lead.take(sectors + done, m_out);
            }
            if (!writeAll(m_fd, m_out))
                return false;
            at += got;
        }
        return true;
    }

    // The sectors after the stretch are a courtesy: any failure to read
    // them only ends them. False when ffmpeg stopped reading.
    bool feedTail()
    {
        dvd::DvdLocator tail = m_locator;
        tail.startPos = m_locator.endPos + 1;
        tail.endPos = static_cast<std::int32_t>(
            std::min<std::int64_t>(std::int64_t(m_locator.endPos) + StretchEdges::tailSectors,
                                   m_reader.titleSetSectors() - 1));
        dvd::TitleReader reader;
        if (tail.endPos < tail.startPos || !reader.open(tail))
            return true;
        char sector[dvd::SectorSize];
        for (std::int64_t at = 0; at < reader.size(); at += dvd::SectorSize) {
            if (reader.read(at, sector, dvd::SectorSize) != dvd::SectorSize ||
                !m_edges.editTail(reinterpret_cast<unsigned char*>(sector)))
                return true;
            m_out.clear();
            m_lead.take(reinterpret_cast<unsigned char*>(sector), m_out);
            if (!writeAll(m_fd, m_out))
                return false;
        }
        return true;
    }

    dvd::TitleReader& m_reader;
    const dvd::DvdLocator m_locator;
    const std::string m_announcement;
    int m_fd;
    StretchEdges m_edges;
    SubtitleLead m_lead;
    std::string m_out;
    std::thread m_thread;
    std::string m_error;
};

} // namespace

DvdStreamChoice chooseDvdStreams(int audioId, int subtitleId, const std::vector<int>& audio,
                                 const std::vector<int>& subtitles, bool keepVideo, bool keepAudio,
                                 const std::vector<std::uint32_t>& palette)
{
    DvdStreamChoice choice;
    const bool wantsAudio = audioId != dvd::DvdLocator::kNoStream;
    const bool wantsSubtitle = subtitleId != dvd::DvdLocator::kNoStream;

    if (keepVideo && wantsSubtitle) {
        const int id = subtitleId;
        if (std::find(subtitles.begin(), subtitles.end(), id) == subtitles.end()) {
            choice.failure = "subtitle stream " + dvd::streamIdText(id) +
                             " is not in this title, so it cannot be burnt in";
            return choice;
        }
        choice.burnedSubtitle = id;
        choice.arguments = {"-filter_complex", "[0:v:0][" + ffmpegStream(id) + "]overlay[burned]",
                            "-map", "[burned]"};
        if (palette.size() == 16) {
            std::string colours;
            for (const std::uint32_t rgb : palette) {
                char entry[8];
                std::snprintf(entry, sizeof entry, "%06x", rgb & 0xFFFFFF);
                colours += (colours.empty() ? "" : ",") + std::string(entry);
            }
            choice.inputOptions = {"-palette", colours};
        }
    } else if (keepVideo) {
        choice.arguments = {"-map", "0:v:0"};
    }

    if (keepAudio && !audio.empty()) {
        int id = audio.front();
        if (wantsAudio) {
            if (std::find(audio.begin(), audio.end(), audioId) != audio.end())
                id = audioId;
            else
                choice.warnings.push_back("audio stream " + dvd::streamIdText(audioId) +
                                          " is not in this title; using " + dvd::streamIdText(id));
        }
        choice.arguments.push_back("-map");
        choice.arguments.push_back(ffmpegStream(id));
    } else if (keepAudio && wantsAudio) {
        choice.warnings.push_back("audio stream " + dvd::streamIdText(audioId) +
                                  " is not in this title, which has no sound");
    }
    return choice;
}

std::vector<std::string> dvdArguments(const std::vector<std::string>& arguments,
                                      const DvdStreamChoice& choice)
{
    std::vector<std::string> rewritten;
    size_t i = 0;
    for (; i < arguments.size(); ++i) {
        if (arguments[i] == "-i" && i + 1 < arguments.size())
            break;
        rewritten.push_back(arguments[i]);
    }
    for (const char* option : {"-probesize", probeSize, "-analyzeduration", analyzeDuration})
        rewritten.push_back(option);
    rewritten.insert(rewritten.end(), choice.inputOptions.begin(), choice.inputOptions.end());
    for (const char* option : {"-f", "mpeg", "-i", "pipe:0"})
        rewritten.push_back(option);
    rewritten.insert(rewritten.end(), choice.arguments.begin(), choice.arguments.end());
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
    if (got < dvd::SectorSize) {
        reportError(reader.error());
        return 1;
    }
    scan.feed(reinterpret_cast<const unsigned char*>(head.data()), static_cast<size_t>(got));
    const std::string firstSector(head.data(), dvd::SectorSize);

    const std::vector<std::string>& given = invocation.arguments;
    const bool keepVideo = !hasOption(given, "-vn");
    // A DVD's MPEG-2 says little that can be believed of its fields: the
    // title's start is looked at as a file's would be.
    PicturePlan picture;
    if (keepVideo && !hasAmrExtension(invocation.output))
        picture =
            pictureOfTitleStart(head.data(), static_cast<size_t>(got), outputOptionsOf(given));
    head = {};
    if (ChildProcess::wasInterrupted())
        return kStoppedStatus;
    // The title's subtitle tracks and their colours are the IFO's to say;
    // the stream's first stretch is only a fallback for an unreadable one.
    std::vector<int> subtitles(scan.subtitleIds().begin(), scan.subtitleIds().end());
    std::vector<std::uint32_t> palette;
    if (keepVideo && locator->hasSubtitleId()) {
        std::string why;
        if (const auto chain = dvd::readProgramChain(*locator, &why)) {
            subtitles.assign(chain->subtitleIds.begin(), chain->subtitleIds.end());
            for (const std::uint32_t entry : chain->palette)
                palette.push_back(dvd::paletteToRgb(entry));
        } else {
            reportError(why + "; the subtitle's colours are unknown");
        }
    }
    const DvdStreamChoice choice =
        chooseDvdStreams(locator->audioId, locator->subtitleId,
                         std::vector<int>(scan.audioIds().begin(), scan.audioIds().end()),
                         subtitles, keepVideo, !hasOption(given, "-an"), palette);
    for (const std::string& warning : choice.warnings)
        reportError(warning);
    if (!choice.failure.empty()) {
        reportError(choice.failure);
        return 1;
    }
    std::string announcement;
    if (choice.burnedSubtitle != 0) {
        announcement = StretchEdges::subtitleAnnouncement(
            reinterpret_cast<const unsigned char*>(firstSector.data()), choice.burnedSubtitle);
        if (announcement.empty() && scan.subtitleIds().count(choice.burnedSubtitle) == 0) {
            reportError("subtitle stream " + dvd::streamIdText(locator->subtitleId) +
                        " cannot be burnt in: it does not show in the title's first " +
                        std::to_string(scanBytes >> 20) +
                        " MB, and the title does not start as a DVD's cells do");
            return 1;
        }
    }

    Invocation fromPipe = invocation;
    fromPipe.input = "pipe:0";
    fromPipe.arguments = dvdArguments(given, choice);
    fromPipe.kind = hasAmrExtension(invocation.output) ? Invocation::Kind::ConvertAmr
                                                       : Invocation::Kind::Convert;
    fromPipe.picture = picture;

    int feed[2];
    if (!pipeAbove(feed)) {
        reportError(std::string("cannot create a pipe: ") + std::strerror(errno));
        return 1;
    }
    OutputClaim output;
    Feeder feeder(reader, *locator, announcement, choice.burnedSubtitle, feed[1]);
    feeder.start();
    const int status = fromPipe.kind == Invocation::Kind::ConvertAmr
                           ? runAmrConversion(fromPipe, output, feed[0])
                           : runConversion(fromPipe, output, feed[0]);
    // ffmpeg has ended; without a reader left, the feeder's next write fails
    // and it stops.
    close(feed[0]);
    feeder.join();
    if (!feeder.error().empty()) {
        // ffmpeg took the cut-off stream for the whole title and may have
        // ended well: what it wrote is not the title.
        reportError(feeder.error());
        output.remove();
        return status != 0 ? status : 1;
    }
    return status;
}

} // namespace transcast
