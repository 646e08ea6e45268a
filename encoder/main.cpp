// register.dat: the encoder the app drives. It probes a file ("-i FILE") with
// libavformat and converts by running ffmpeg, speaking the command lines and
// the report and progress forms the app relies on.
#include <string>
#include <vector>

#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

#include "childprocess.h"
#include "conversion.h"
#include "discdescriber.h"
#include "dvdinput.h"
#include "explain.h"
#include "ffmpegcommand.h"
#include "invocation.h"
#include "mediaprobe.h"
#include "motion.h"
#include "pacing.h"
#include "probeserver.h"
#include "trackplan.h"

namespace
{

int probe(const std::string& path)
{
    bool readable = false;
    // One write, so that the report reaches the reader as one piece.
    const std::string report = transcast::probeReportFor(path, readable);
    return transcast::writeAll(STDOUT_FILENO, report) && readable ? 0 : 1;
}

const char usage[] = "usage: register.dat -i FILE                 report on a media file\n"
                     "       register.dat [OPTIONS] -i FILE [OPTIONS] OUTPUT\n"
                     "                                           convert with ffmpeg\n"
                     "       register.dat [OPTIONS] -i vts://NN*START*END*AUDIO*SUB*/DISC "
                     "[OPTIONS] OUTPUT\n"
                     "                                           convert DVD sectors START..END\n"
                     "       register.dat --explain ARGS...      print the ffmpeg command\n"
                     "                                           ARGS would run\n"
                     "       register.dat --probe-server         report on each NUL-ended path\n"
                     "                                           read from standard input\n"
                     "       register.dat --describe-disc ROOT [FIRST [IFO]]\n"
                     "                                           describe a disc's title sets\n"
                     "                                           (binary, for the app)\n"
                     "       register.dat --describe-backup FOLDER NUMBER [DISC]\n"
                     "                                           describe a title set from its\n"
                     "                                           backup copy alone\n";

} // namespace

int main(int argc, char** argv)
{
    // We never outlive the program that started us: a probe stuck on a slow
    // file, or a conversion nobody waits for, ends with its caller (and our
    // ffmpeg with us). If the caller is already gone, there is nobody to
    // report to.
    const pid_t caller = getppid();
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != caller)
        return 1;
    // A blocked signal mask outlives exec, so a caller that blocks signals
    // would pass it on; here, and in the ffmpeg we start, Ctrl-C and a stop
    // must work as they do anywhere.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);

    if (argc == 2 && std::string(argv[1]) == "--probe-server")
        return transcast::runProbeServer(STDIN_FILENO, STDOUT_FILENO);
    if (argc > 1 && (std::string(argv[1]) == "--describe-disc" ||
                     std::string(argv[1]) == "--describe-backup")) {
        const std::vector<std::string> arguments(argv + 2, argv + argc);
        const int status = std::string(argv[1]) == "--describe-disc"
                               ? transcast::describeDisc(arguments, STDOUT_FILENO)
                               : transcast::describeBackup(arguments, STDOUT_FILENO);
        if (status == 2)
            transcast::writeAll(STDERR_FILENO, usage);
        return status;
    }

    using transcast::Invocation;
    const bool explain = argc > 1 && std::string(argv[1]) == "--explain";
    Invocation invocation = transcast::withFileInput(transcast::parseInvocation(
        std::vector<std::string>(argv + (explain ? 2 : 1), argv + argc)));
    if (invocation.kind == Invocation::Kind::Convert ||
        invocation.kind == Invocation::Kind::ConvertAmr) {
        // Read as itself: see sourceFormat. A format that cannot be told is
        // left to ffmpeg, whose message then says why.
        std::string format, reason;
        bool refused = false;
        if (transcast::sourceFormat(invocation.input, format, reason, refused))
            invocation = transcast::withInputFormat(invocation, format);
        else if (refused) {
            transcast::reportError(invocation.input + ": " + reason);
            return 1;
        }
        transcast::TrackChoice tracks;
        if (!transcast::trackChoiceFromEnvironment(tracks, reason)) {
            transcast::reportError(reason);
            return 1;
        }
        const bool picture =
            invocation.kind == Invocation::Kind::Convert && transcast::asksForPicture(invocation);
        const std::vector<std::string> outputs = transcast::outputOptionsOf(invocation.arguments);
        // ffmpeg itself would write the sound alone into the video profile's
        // file and call it done. A file we cannot read is left to ffmpeg's
        // own message.
        transcast::MediaSummary media;
        if ((picture || transcast::tracksMatter(outputs, !picture, tracks)) &&
            transcast::probeMedia(invocation.input, media, reason)) {
            const transcast::StreamSummary* video = transcast::firstMovingPicture(media);
            if (picture && video == nullptr && !explain) {
                transcast::reportError(
                    invocation.input +
                    ": the source has no picture to convert into a video profile");
                return 1;
            }
            if (!transcast::planTracks(media, invocation.input, outputs, !picture, tracks,
                                       invocation.tracks, reason)) {
                transcast::reportError(invocation.input + ": " + reason);
                return 1;
            }
            if (picture && video != nullptr)
                invocation.picture = transcast::preparePicture(
                    *video, media.durationUs, transcast::inputArgumentsOf(invocation.arguments),
                    outputs);
            // Stopped while the source was looked at: the job ends unstarted.
            if (transcast::ChildProcess::wasInterrupted())
                return transcast::kStoppedStatus;
        }
    }
    if (explain && invocation.kind != Invocation::Kind::Usage)
        return transcast::writeAll(STDOUT_FILENO, transcast::explainInvocation(invocation)) ? 0 : 1;
    switch (invocation.kind) {
    case Invocation::Kind::Usage:
        transcast::writeAll(STDERR_FILENO, usage);
        return 2;
    case Invocation::Kind::DvdInput:
        if (invocation.output.empty()) {
            transcast::reportError("a DVD locator can be converted, not probed: " +
                                   invocation.input);
            return 2;
        }
        return transcast::runDvdConversion(invocation);
    case Invocation::Kind::Probe:
        return probe(invocation.input);
    case Invocation::Kind::Convert: {
        transcast::OutputClaim output;
        return transcast::runConversion(invocation, output);
    }
    case Invocation::Kind::ConvertAmr: {
        transcast::OutputClaim output;
        return transcast::runAmrConversion(invocation, output);
    }
    }
    return 2;
}
