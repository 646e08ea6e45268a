#include "formats/selfcontainedformat.h"

#include <algorithm>

namespace transcast
{

namespace
{

struct Refused {
    const char* format;
    const char* reason;
};

// Every demuxer of ffmpeg 5.1 that opens what its file names.
const Refused kRefused[] = {
    {"hls", "a playlist, not a video"},
    {"concat", "a playlist, not a video"},
    {"dash", "a streaming manifest, not a video"},
    {"imf", "a composition of other files, not a video"},
    {"sdp", "a network stream description, not a video"},
    {"rtp", "a network stream description, not a video"},
    {"rtsp", "a network stream description, not a video"},
};

} // namespace

std::string refusalOfFormat(const std::string& format)
{
    // libavformat names a demuxer by a comma-separated list of names.
    size_t start = 0;
    while (start <= format.size()) {
        const size_t end = std::min(format.find(',', start), format.size());
        const std::string name = format.substr(start, end - start);
        for (const Refused& refused : kRefused) {
            if (name == refused.format)
                return refused.reason;
        }
        start = end + 1;
    }
    return {};
}

const char* const* selfContainedOptions()
{
    static const char* const options[] = {"protocol_whitelist=file", "pattern_type=none", nullptr};
    return options;
}

} // namespace transcast
