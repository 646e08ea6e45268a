#include "explain.h"

#include <vector>

#include "amrwriter.h"
#include "dvdinput.h"
#include "ffmpegcommand.h"

namespace transcast
{

namespace
{

// Descriptors the real run uses for progress and, for AMR, the sound.
constexpr int progressFd = 3;
constexpr int pcmFd = 4;

std::string commandLine(const std::vector<std::string>& arguments)
{
    std::string line = shellQuoted(ffmpegProgram());
    for (const std::string& argument : arguments)
        line += " " + shellQuoted(argument);
    return line + "\n";
}

} // namespace

std::string shellQuoted(const std::string& word)
{
    static const std::string safe = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                    "0123456789_-+=.,:/@%";
    if (!word.empty() && word.find_first_not_of(safe) == std::string::npos)
        return word;
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string explainInvocation(const Invocation& invocation)
{
    switch (invocation.kind) {
    case Invocation::Kind::Usage:
        return std::string();
    case Invocation::Kind::Probe:
        return "no ffmpeg: register.dat reads " + shellQuoted(invocation.input) +
               " with libavformat and prints its report\n";
    case Invocation::Kind::DvdInput: {
        // The stream selection depends on what the title holds; shown as the
        // locator's own choice, read from the disc when the job runs.
        Invocation piped = invocation;
        piped.arguments = dvdArguments(invocation.arguments, {});
        return "register.dat reads the title's sectors through libdvdread into:\n" +
               commandLine(conversionArguments(piped, progressFd));
    }
    case Invocation::Kind::ConvertAmr: {
        const int mode = amrModeFor(requestedAudioBitrate(invocation));
        return invocation.tracks.summary +
               commandLine(pcmArguments(invocation, progressFd, pcmFd)) +
               "then register.dat encodes the sound on descriptor " + std::to_string(pcmFd) +
               " to AMR-NB at " + std::to_string(amrModeBitRate(mode)) + " bit/s into " +
               shellQuoted(invocation.output) + "\n";
    }
    case Invocation::Kind::Convert: {
        const RateControlPlan plan = conversionPlan(invocation);
        const std::vector<std::string> arguments =
            conversionArguments(invocation, progressFd, plan);
        std::string commands = commandLine(arguments);
        if (plan.twoPass) {
            // The folder is made, and removed, when the job runs.
            const std::string prefix = "/tmp/transcast-pass-XXXXXX/stats";
            commands = "# two passes: the encoder's statistics first, into a folder of the "
                       "job's own, then the output\n" +
                       commandLine(passArguments(arguments, 1, prefix)) +
                       commandLine(passArguments(arguments, 2, prefix));
        }
        return invocation.picture.summary + invocation.tracks.summary + commands;
    }
    }
    return std::string();
}

} // namespace transcast
