#include "conversion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "amrwriter.h"
#include "childprocess.h"
#include "ffmpegcommand.h"
#include "messagefilter.h"
#include "progresstranslator.h"
#include "ratecontrol.h"
#include "trackplan.h"

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
        closeEnd(0);
        closeEnd(1);
    }
    bool isOpen() const { return m_open; }
    int readEnd() const { return m_fds[0]; }
    int writeEnd() const { return m_fds[1]; }
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

// The source a burnt text subtitle is read from, open on a descriptor of 10
// or above (see pipeAbove) that ffmpeg gets as kBurnSourceFd; nothing when
// no path is given.
class BurnSource
{
public:
    explicit BurnSource(const std::string& path) : m_wanted(!path.empty())
    {
        if (!m_wanted)
            return;
        const int opened = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (opened < 0)
            return;
        m_fd = fcntl(opened, F_DUPFD_CLOEXEC, 10);
        const int saved = errno;
        close(opened);
        errno = saved;
    }
    BurnSource(const BurnSource&) = delete;
    BurnSource& operator=(const BurnSource&) = delete;
    ~BurnSource()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0 || !m_wanted; }
    int fd() const { return m_fd; }

private:
    bool m_wanted = false;
    int m_fd = -1;
};

std::string linesFor(const std::vector<ProgressSample>& samples, const std::string& bitrate)
{
    std::string lines;
    for (ProgressSample sample : samples) {
        if (!bitrate.empty())
            sample.bitrate = bitrate;
        lines += formatProgressLine(sample);
        // Leaves a terminal on a fresh line for ffmpeg's closing messages;
        // the app reads CR LF as one line end.
        if (sample.end)
            lines += "\n";
    }
    return lines;
}

// One ffmpeg run: its progress pipe, its standard error (passed on through
// a MessageFilter) and, for AMR jobs, the pipe it writes the sound to.
class FfmpegRun
{
public:
    bool pipesReady() const { return m_progress.isOpen() && m_messages.isOpen() && m_pcm.isOpen(); }

    // Starts ffmpeg; says why on standard error when it cannot.
    bool start(const std::vector<std::string>& arguments, bool withPcm, int inputFd,
               int burnSourceFd = -1)
    {
        std::vector<ChildProcess::Redirect> redirects = {{childProgressFd, m_progress.writeEnd()},
                                                         {STDERR_FILENO, m_messages.writeEnd()}};
        if (withPcm)
            redirects.push_back({childPcmFd, m_pcm.writeEnd()});
        if (inputFd >= 0)
            redirects.push_back({STDIN_FILENO, inputFd});
        if (burnSourceFd >= 0)
            redirects.push_back({kBurnSourceFd, burnSourceFd});
        const std::string program = ffmpegProgram();
        if (!m_ffmpeg.start(program, arguments, redirects)) {
            std::string hint;
            if (program == "ffmpeg")
                hint = " (install the ffmpeg package, or name another ffmpeg in "
                       "TRANSCAST_FFMPEG)";
            reportError("cannot start " + program + ": " + m_ffmpeg.error() + hint);
            return false;
        }
        m_progress.closeWriteEnd();
        m_messages.closeWriteEnd();
        m_pcm.closeWriteEnd();
        m_withPcm = withPcm;
        return true;
    }

    // Passes ffmpeg's output on until all its pipes have ended. Progress
    // lines show `bitrate` when given, else ffmpeg's. Sound goes to onPcm;
    // when that refuses, ffmpeg is killed and false returned.
    bool relay(const std::string& bitrate,
               const std::function<bool(const char*, size_t)>& onPcm = {})
    {
        pollfd sources[3] = {{m_progress.readEnd(), POLLIN, 0},
                             {m_messages.readEnd(), POLLIN, 0},
                             {m_withPcm ? m_pcm.readEnd() : -1, POLLIN, 0}};
        std::vector<char> buffer(64 * 1024);
        while (sources[0].fd >= 0 || sources[1].fd >= 0 || sources[2].fd >= 0) {
            if (poll(sources, 3, -1) < 0) {
                if (errno == EINTR)
                    continue;
                // Without reading on, ffmpeg would block on a full pipe.
                reportError(std::string("cannot wait for ffmpeg's output: ") +
                            std::strerror(errno));
                m_ffmpeg.kill();
                return false;
            }
            for (pollfd& source : sources) {
                if (source.fd < 0 || source.revents == 0)
                    continue;
                const ssize_t got = readSome(source.fd, buffer.data(), buffer.size());
                if (got <= 0) {
                    source.fd = -1; // poll skips negative descriptors
                    continue;
                }
                const std::string_view data(buffer.data(), static_cast<size_t>(got));
                if (&source == &sources[0]) {
                    std::vector<ProgressSample> samples = m_translator.feed(data);
                    for (ProgressSample& sample : samples) {
                        if (sample.outTimeUs > 0)
                            m_outTimeUs = sample.outTimeUs;
                        sample.end = sample.end && !m_preliminary;
                    }
                    writeAll(STDOUT_FILENO, linesFor(samples, bitrate));
                } else if (&source == &sources[1]) {
                    const std::string lines = m_filter.feed(data);
                    if (!m_preliminary)
                        writeAll(STDERR_FILENO, lines);
                } else if (!onPcm(data.data(), data.size())) {
                    m_ffmpeg.kill();
                    return false;
                }
            }
        }
        const std::string last = m_filter.finish();
        if (!m_preliminary)
            writeAll(STDERR_FILENO, last);
        return true;
    }

    // A run before the job's last: its end is not the job's, and of its
    // messages (the run that writes the output says them all again) only
    // the reason it failed, if it does, is said.
    void setPreliminary() { m_preliminary = true; }

    void kill() { m_ffmpeg.kill(); }
    int wait() { return m_ffmpeg.wait(); }
    // How much the output holds, in microseconds, as ffmpeg last reported.
    long long outTimeUs() const { return m_outTimeUs; }

    // Why the job failed, empty when it did not: ffmpeg died of a signal, it
    // reported a failed write of the output (even when it then exits 0, as
    // ffmpeg 5.1 does when the disk fills while it writes the trailer), it
    // failed, or it left `output` (when given) missing or empty. A job
    // stopped by the user is no failure.
    std::string failureReason(int status, const std::string& output) const
    {
        if (ChildProcess::wasInterrupted())
            return {};
        if (m_ffmpeg.endingSignal() != 0)
            return "ffmpeg was killed by signal " + std::to_string(m_ffmpeg.endingSignal());
        if (!m_filter.writeError().empty())
            return m_filter.writeError();
        if (status != 0) {
            return m_filter.firstError().empty()
                       ? "ffmpeg failed with exit status " + std::to_string(status)
                       : m_filter.firstError();
        }
        if (output.empty())
            return {};
        struct stat entry;
        if (stat(output.c_str(), &entry) != 0)
            return "ffmpeg wrote no output file " + output;
        if (S_ISREG(entry.st_mode) && entry.st_size == 0)
            return "ffmpeg wrote nothing into " + output;
        return {};
    }

    // Ends our output with the messages held back and, last, the reason the
    // job failed (if it did), so that the app shows it and a terminal shows
    // it once.
    void closeMessages(const std::string& reason) const
    {
        writeAll(STDERR_FILENO, m_filter.closingLines(reason));
    }

private:
    Pipe m_progress;
    Pipe m_messages;
    Pipe m_pcm;
    bool m_withPcm = false;
    bool m_preliminary = false;
    ChildProcess m_ffmpeg;
    ProgressTranslator m_translator;
    MessageFilter m_filter;
    long long m_outTimeUs = 0;
};

// A private directory for a two-pass job's statistics, removed with what
// the encoder left in it; two jobs beside each other never share one.
class PassDirectory
{
public:
    PassDirectory() = default;
    PassDirectory(const PassDirectory&) = delete;
    PassDirectory& operator=(const PassDirectory&) = delete;
    ~PassDirectory()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    bool create()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/transcast-pass-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            return false;
        m_path = pattern;
        return true;
    }
    std::string logPrefix() const { return m_path + "/stats"; }

private:
    std::string m_path;
};

// Runs the statistics pass of a two-pass job; 0 when pass 2 may follow,
// else the job's status, its messages said.
int runStatisticsPass(const std::vector<std::string>& arguments, int burnSourceFd)
{
    FfmpegRun run;
    if (!run.pipesReady()) {
        reportError(std::string("cannot create a pipe: ") + std::strerror(errno));
        return 1;
    }
    run.setPreliminary();
    if (!run.start(arguments, false, -1, burnSourceFd))
        return 127;
    if (!run.relay({}))
        return 1;
    int status = run.wait();
    const std::string reason = run.failureReason(status, std::string());
    if (!reason.empty() || status != 0 || ChildProcess::wasInterrupted()) {
        run.closeMessages(reason);
        if (status == 0 && !ChildProcess::wasInterrupted())
            status = 1;
    }
    return status;
}

} // namespace

ssize_t readSome(int fd, char* buffer, size_t size)
{
    ssize_t got;
    do {
        got = read(fd, buffer, size);
    } while (got < 0 && errno == EINTR);
    return got;
}

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

int runConversion(const Invocation& invocation, OutputClaim& output, int inputFd)
{
    FfmpegRun run;
    if (!run.pipesReady()) {
        reportError(std::string("cannot create a pipe: ") + std::strerror(errno));
        return 1;
    }
    if (!output.claim(invocation.output)) {
        reportError(output.error());
        return 1;
    }
    const RateControlPlan plan = conversionPlan(invocation);
    reportCap(plan);
    const BurnSource burnSource(invocation.tracks.burnSource);
    if (!burnSource.isOpen()) {
        reportError(invocation.tracks.burnSource + ": " + std::strerror(errno));
        output.remove();
        return 1;
    }
    std::vector<std::string> arguments = conversionArguments(invocation, childProgressFd, plan);
    PassDirectory passes;
    if (plan.twoPass) {
        if (!passes.create()) {
            reportError(std::string("cannot create a folder for the encoder's statistics: ") +
                        std::strerror(errno));
            output.remove();
            return 1;
        }
        const int status =
            runStatisticsPass(passArguments(arguments, 1, passes.logPrefix()), burnSource.fd());
        if (status != 0 || ChildProcess::wasInterrupted()) {
            output.remove();
            return status != 0 ? status : kStoppedStatus;
        }
        arguments = passArguments(arguments, 2, passes.logPrefix());
    }
    if (!run.start(arguments, false, inputFd, burnSource.fd())) {
        output.remove();
        return 127;
    }
    const bool relayed = run.relay({});
    int status = relayed ? run.wait() : 1;
    if (relayed) {
        const std::string reason = run.failureReason(status, invocation.output);
        run.closeMessages(reason);
        if (!reason.empty() && status == 0)
            status = 1;
    }
    if (status == 0)
        reportShortfall(plan, invocation.output, run.outTimeUs());
    // A stopped job keeps what it wrote, as a playable file.
    if (ChildProcess::wasInterrupted())
        output.removeIfEmpty();
    else if (status != 0)
        output.remove();
    return status;
}

int runAmrConversion(const Invocation& invocation, OutputClaim& output, int inputFd)
{
    if (!output.claim(invocation.output)) {
        reportError(output.error());
        return 1;
    }
    AmrWriter writer;
    const int mode = amrModeFor(requestedAudioBitrate(invocation));
    // Whatever ends the job early, what was written goes with the claim.
    const auto failed = [&writer, &output](int status) {
        writer.close();
        output.remove();
        return status;
    };
    if (!writer.open(invocation.output, mode)) {
        reportError(writer.error());
        return failed(1);
    }

    FfmpegRun run;
    if (!run.pipesReady()) {
        reportError(std::string("cannot create a pipe: ") + std::strerror(errno));
        return failed(1);
    }
    if (!run.start(pcmArguments(invocation, childProgressFd, childPcmFd), true, inputFd))
        return failed(127);
    // ffmpeg would report the rate of the PCM it hands us; show the AMR's.
    char bitrate[32];
    std::snprintf(bitrate, sizeof bitrate, "%.1fkbits/s", amrModeBitRate(mode) / 1000.0);
    const bool relayed = run.relay(bitrate, [&writer](const char* pcm, size_t size) {
        if (writer.write(pcm, size))
            return true;
        reportError(writer.error());
        return false;
    });
    const int status = relayed ? run.wait() : 1;
    if (relayed)
        run.closeMessages(run.failureReason(status, std::string()));
    // A stopped job keeps what was encoded so far, as a playable file.
    if (status != 0 && !(relayed && ChildProcess::wasInterrupted()))
        return failed(status);
    if (!writer.finish()) {
        reportError(writer.error());
        return failed(1);
    }
    return status;
}

} // namespace transcast
