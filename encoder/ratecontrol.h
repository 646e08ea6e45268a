#pragma once

#include <string>
#include <vector>

// Rate control by encoder family. The app promises an output size from the
// bitrates it asks for, so every encoder must land on them. ffmpeg's native
// one-pass encoders (mpeg4, wmv2, flv, msmpeg4 ...) start at a low quantiser
// and converge slowly: on short clips they overshoot low targets by up to a
// half. A rate buffer of twice the bitrate (-maxrate B -bufsize 2B, starting
// half a second full) holds them to the target at no measurable cost; letting
// them go below quantiser 2 (-qmin 1 -lmin 118, lambda units) keeps easy
// pictures from falling short of high targets. mpeg1video and mpeg2video are of
// the same kind. libvorbis undershoots its average and runs in managed mode.
// Sound-only WMA in ASF gets packets sized to its blocks, which would otherwise
// be half padding. Encoders that meet their targets already (libx264, the other
// audio encoders) are left alone; libxvid only loses its quantiser floor of 2,
// as the DVD target does. Today's families: libx265's ABR (what -b:v gives)
// and libsvtav1's VBR (ffmpeg 5.1's wrapper picks VBR for a -b:v without a
// -maxrate equal to it; CBR needs SVT-AV1's low-delay structure) land on
// their targets as they are. libvpx-vp9 encodes twice from a file: a
// statistics pass, then the picture (its one-pass VBR falls short by up to a
// quarter, and its CBR spends a third to a half too much on grain, in
// golden frames it cannot judge ahead); read from a pipe, which cannot be
// read again, it runs in CBR (-minrate = -maxrate = -b:v) with a two-second
// buffer. libopus lands on -b:a. FLAC and ALAC are lossless and take no rate.
namespace transcast
{

// What the plan decided, for the messages after the job.
struct RateControlPlan {
    std::vector<std::string> options; // the caller's options with the plan applied
    std::string videoEncoder;         // "-vcodec"/"-c:v", empty when not given
    std::string audioEncoder;         // "-acodec"/"-c:a", empty when not given
    long long videoBitrate = 0;       // bit/s asked (after a cap); 0 when none
    long long audioBitrate = 0;       // bit/s asked; 0 when none
    bool videoPresent = true;         // false with "-vn"
    bool target = false;              // a "-target": its own rates apply
    long long cappedFrom = 0;         // the asked video bitrate when it was capped
    bool applied = false;             // options were added
    bool twoPass = false;             // a statistics pass first (see passArguments)
};

// Reads a bitrate as ffmpeg does: digits with an optional k, M or G suffix
// (powers of ten). 0 when it is not one.
long long parseBitrate(const std::string& text);

// Applies the table to the output options (modern spelling, output path not
// included). A profile's own "-maxrate" stays, and a "-b:v" above it is
// lowered to it (ffmpeg refuses "bitrate above max bitrate"). With
// `enabled` false the options pass unchanged, which the benchmarks use to
// measure what rate control costs. `rereadable` says the input can be read
// twice, which a second pass needs.
RateControlPlan planRateControl(const std::vector<std::string>& options, bool enabled = true,
                                bool rereadable = false);

// False when TRANSCAST_RATE_CONTROL is "0" or "off": the benchmarks' baseline.
bool rateControlEnabled();

// The bitrate, in bit/s, an output of `bytes` over `seconds` holds, and the
// user's message when it lies more than 15 % above what the plan asked for
// (the codec could not go that low at this frame size), else empty. PCM,
// the lossless FLAC and ALAC, which take no rate, and the disc targets are
// not judged: their rates are fixed or the sound's own.
std::string shortfallMessage(const RateControlPlan& plan, long long bytes, double seconds);

// Before a job: says on standard error when the asked video bitrate was
// lowered to the profile's ceiling.
void reportCap(const RateControlPlan& plan);

// After a finished job: takes the output's size and the duration ffmpeg
// last reported, and prints the shortfall message, if any, with the
// encoder's other messages. (Probing the output instead would load the media
// libraries for every job: a few percent of a short conversion's time.)
void reportShortfall(const RateControlPlan& plan, const std::string& outputPath,
                     long long durationUs);

} // namespace transcast
