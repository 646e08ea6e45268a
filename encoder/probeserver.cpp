#include "probeserver.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "conversion.h"
#include "invocation.h"
#include "mediaprobe.h"
#include "probereport.h"

namespace transcast
{

namespace
{

std::string readToEnd(int fd)
{
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = readSome(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    return text;
}

} // namespace

std::string probeReportFor(const std::string& path, bool& readable)
{
    readable = false;
    // The same words as the one-file call gives for a DVD locator.
    if (parseInvocation({"-i", path}).kind == Invocation::Kind::DvdInput)
        return formatProbeFailure(path, "a DVD locator can be converted, not probed");
    MediaSummary media;
    std::string reason;
    if (!probeMedia(path, media, reason))
        return formatProbeFailure(path, reason);
    readable = true;
    return formatProbeReport(media);
}

std::string probeInChild(const std::string& path)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return formatProbeFailure(path,
                                  std::string("cannot start its probe: ") + std::strerror(errno));
    const pid_t server = getpid();
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(ends[0]);
        close(ends[1]);
        return formatProbeFailure(path,
                                  std::string("cannot start its probe: ") + std::strerror(error));
    }
    if (child == 0) {
        // A probe stuck on a slow file ends with the server that waits on it.
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != server)
            _exit(1);
        // The report pipe becomes our standard output, as in the one-file
        // call; the server's own pipes to the app are not ours to hold open.
        const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (nothing < 0 || dup2(nothing, STDIN_FILENO) < 0 || dup2(ends[1], STDOUT_FILENO) < 0)
            _exit(1);
        bool readable = false;
        const std::string report = probeReportFor(path, readable);
        // _exit: the libraries' clean-up is the kernel's, and much faster.
        _exit(writeAll(STDOUT_FILENO, report) ? 0 : 1);
    }
    close(ends[1]);
    std::string report = readToEnd(ends[0]);
    close(ends[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // Half a report is no report: a reader that died tells only that.
    if (WIFSIGNALED(status))
        return formatProbeFailure(path, std::string("the probe ended on signal ") +
                                            std::to_string(WTERMSIG(status)) + " (" +
                                            strsignal(WTERMSIG(status)) + ")");
    return report;
}

int runProbeServer(int in, int out)
{
    // Loaded here, once, so that every forked probe finds the libraries in
    // place. A failure is left to each probe to report.
    std::string unused;
    loadMediaLibraries(unused);

    std::string pending;
    char buffer[4096];
    for (;;) {
        size_t end = pending.find('\0');
        while (end == std::string::npos) {
            const ssize_t got = readSome(in, buffer, sizeof buffer);
            if (got <= 0)
                return 0; // the app has no more files for us
            pending.append(buffer, static_cast<size_t>(got));
            end = pending.find('\0');
        }
        const std::string path = pending.substr(0, end);
        pending.erase(0, end + 1);
        const std::string report = probeInChild(path);
        // One write per answer, so that the app reads it whole or not at all.
        if (!writeAll(out, "REPORT " + std::to_string(report.size()) + "\n" + report))
            return 1;
    }
}

} // namespace transcast
