// register.dat's reading of its arguments and their rewriting for ffmpeg.
// The input is an argument list, one argument per line.
#include <string>
#include <vector>

#include "encoder/ffmpegcommand.h"
#include "encoder/invocation.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> arguments;
    std::string current;
    for (size_t i = 0; i < size && arguments.size() < 64; ++i) {
        if (data[i] == '\n') {
            arguments.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    if (!current.empty())
        arguments.push_back(current);

    const transcast::Invocation invocation = transcast::parseInvocation(arguments);
    FUZZ_CHECK(invocation.arguments == arguments);
    // Empty arguments are dropped, except as the value of an option (an
    // input named "" fails in ffmpeg with its own message).
    const std::vector<std::string> modern = transcast::modernSpelling(arguments);
    for (size_t i = 0; i < modern.size(); ++i)
        FUZZ_CHECK(!modern[i].empty() ||
                   (i > 0 && (modern[i - 1] == "-i" || modern[i - 1] == "-aspect")));
    transcast::hasAmrExtension(invocation.output);
    switch (invocation.kind) {
    case transcast::Invocation::Kind::Convert:
    case transcast::Invocation::Kind::DvdInput: {
        const std::vector<std::string> ffmpeg = transcast::conversionArguments(invocation, 3);
        FUZZ_CHECK(!ffmpeg.empty());
        break;
    }
    case transcast::Invocation::Kind::ConvertAmr:
        transcast::pcmArguments(invocation, 3, 4);
        transcast::requestedAudioBitrate(invocation);
        break;
    case transcast::Invocation::Kind::Probe:
        FUZZ_CHECK(!invocation.input.empty() || arguments.size() >= 2);
        break;
    case transcast::Invocation::Kind::Usage:
        break;
    }
    if (!invocation.output.empty())
        FUZZ_CHECK(transcast::outputUrl(invocation.output).front() != '-');
    return 0;
}
