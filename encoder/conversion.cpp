#include "conversion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <poll.h>
#include <unistd.h>

#include "amrwriter.h"
#include "childprocess.h"
#include "ffmpegcommand.h"
#include "progresstranslator.h"

namespace transcast
{

namespace
{

// The descriptors ffmpeg writes its progress and, for AMR, its sound to.
constexpr int childProgressFd = 3;
constexpr int childPcmFd = 4;

class Pipe
{
public:
    Pipe() { m_open = pipeAbove(m_fds); }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    ~Pipe()
    {
        closeReadEnd();
        closeWriteEnd();
    }
    bool isOpen() const { return m_open; }
    int readEnd() const { return m_fds[0]; }
    int writeEnd() const { return m_fds[1]; }
    void closeReadEnd() { closeEnd(0); }
    // Once the child holds its copy, ours must go so that reads see the end.
    void closeWriteEnd() { closeEnd(1); }

private:
    void closeEnd(int end)
    {
        if (m_open && m_fds[end] >= 0) {
            close(m_fds[end]);
            m_fds[end] = -1;
        }
    }
    int m_fds[2] = {-1, -1};
    bool m_open = false;
};

// Reads what is there; 0 at the end of data, -1 on an error.
ssize_t readSome(int fd, char* buffer, size_t size)
{
    ssize_t got;
    do {
        got = read(fd, buffer, size);
    } while (got < 0 && errno == EINTR);
    return got;
}

std::string linesFor(const std::vector<ProgressSample>& samples)
{
    std::string lines;
    for (const ProgressSample& sample : samples) {
        lines += formatProgressLine(sample);
        // Leaves a terminal on a fresh line for ffmpeg's closing messages;
        // the app reads CR LF as one line end.
        if (sample.end)
            lines += "\n";
    }
    return lines;
}

bool startFfmpeg(ChildProcess& ffmpeg, const std::vector<std::string>& arguments,
                 const std::vector<ChildProcess::Redirect>& redirects)
{
    const std::string program = ffmpegProgram();
    if (ffmpeg.start(program, arguments, redirects))
        return true;
    std::string hint;
    if (program == "ffmpeg")
        hint = " (install the ffmpeg package, or name another ffmpeg in TRANSCAST_FFMPEG)";
    reportError("cannot start " + program + ": " + ffmpeg.error() + hint);
    return false;
}

} // namespace

bool writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

void reportError(const std::string& message)
{
    writeAll(STDERR_FILENO, "register.dat: " + message + "\n");
}

int runConversion(const Invocation& invocation)
{
    Pipe progress;
    if (!progress.isOpen()) {
        reportError(std::string("cannot create a pipe: ") + std::strerror(errno));
        return 1;
    }
    ChildProcess ffmpeg;
    if (!startFfmpeg(ffmpeg, conversionArguments(invocation, childProgressFd),
                     {{childProgressFd, progress.writeEnd()}}))
        return 127;
    progress.closeWriteEnd();

    ProgressTranslator translator;
    char buffer[4096];
    ssize_t got;
    while ((got = readSome(progress.readEnd(), buffer, sizeof buffer)) > 0)
        writeAll(STDOUT_FILENO, linesFor(translator.feed(std::string_view(buffer, got))));
    return ffmpeg.wait();
}

int runAmrConversion(const Invocation& invocation)
{
    AmrWriter writer;
    const int mode = amrModeFor(requestedAudioBitrate(invocation));
    if (!writer.open(invocation.output, invocation.overwrite, mode)) {
        reportError(writer.error());
        writer.discard();
        return 1;
    }

    Pipe progress;
    Pipe pcm;
    if (!progress.isOpen() || !pcm.isOpen()) {
        reportError(std::string("cannot create a pipe: ") + std::strerror(errno));
        writer.discard();
        return 1;
    }
    ChildProcess ffmpeg;
    if (!startFfmpeg(ffmpeg, pcmArguments(invocation, childProgressFd, childPcmFd),
                     {{childProgressFd, progress.writeEnd()}, {childPcmFd, pcm.writeEnd()}})) {
        writer.discard();
        return 127;
    }
    progress.closeWriteEnd();
    pcm.closeWriteEnd();

    ProgressTranslator translator;
    pollfd sources[2] = {{progress.readEnd(), POLLIN, 0}, {pcm.readEnd(), POLLIN, 0}};
    std::vector<char> buffer(64 * 1024);
    while (sources[0].fd >= 0 || sources[1].fd >= 0) {
        if (poll(sources, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (pollfd& source : sources) {
            if (source.fd < 0 || source.revents == 0)
                continue;
            const ssize_t got = readSome(source.fd, buffer.data(), buffer.size());
            if (got <= 0) {
                source.fd = -1; // poll skips negative descriptors
                continue;
            }
            if (&source == &sources[1]) {
                if (!writer.write(buffer.data(), static_cast<size_t>(got))) {
                    ffmpeg.kill();
                    reportError(writer.error());
                    writer.discard();
                    return 1;
                }
                continue;
            }
            std::vector<ProgressSample> samples =
                translator.feed(std::string_view(buffer.data(), got));
            // ffmpeg reports the rate of the PCM it hands us; show the AMR's.
            for (ProgressSample& sample : samples) {
                char rate[32];
                std::snprintf(rate, sizeof rate, "%.1fkbits/s", amrModeBitRate(mode) / 1000.0);
                sample.bitrate = rate;
            }
            writeAll(STDOUT_FILENO, linesFor(samples));
        }
    }

    const int status = ffmpeg.wait();
    if (status != 0) {
        writer.discard();
        return status;
    }
    if (!writer.finish()) {
        reportError(writer.error());
        writer.discard();
        return 1;
    }
    return 0;
}

} // namespace transcast
