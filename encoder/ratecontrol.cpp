#include "ratecontrol.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <sys/stat.h>

#include "conversion.h"

namespace transcast
{

namespace
{

bool hasOption(const std::vector<std::string>& options, const std::string& name)
{
    for (size_t i = 0; i < options.size(); ++i) {
        if (options[i] == "-i")
            ++i;
        else if (options[i] == name)
            return true;
    }
    return false;
}

std::string expand(const std::string& token, long long bitrate, long long audioBitrate = 0)
{
    if (token == "$A")
        return std::to_string(audioBitrate);
    if (token == "$B")
        return std::to_string(bitrate);
    if (token == "$2B")
        return std::to_string(2 * bitrate);
    if (token == "$B/2")
        return std::to_string(bitrate / 2);
    return token;
}

// "$B" stands for the asked video bitrate, "$2B" for twice it, "$B/2" for
// half. The buffer starts half a second full rather than at ffmpeg's three
// quarters of it: otherwise a short clip may spend 1.5 s worth of extra bits.
const std::vector<std::string> kNativeOnePass = {
    "-maxrate", "$B",    "-bufsize", "$2B",   "-rc_init_occupancy",
    "$B/2",     "-qmin", "1",        "-lmin", "118"};

// DVD's own rate control keeps to its rate but stops at quantiser 2, which
// leaves easy pictures well short of its 6000 kb/s; Xvid's likewise.
const std::vector<std::string> kFloorOnly = {"-qmin", "1", "-lmin", "118"};

// libvpx's one-pass VBR keeps well under a high target (a quarter short at
// 3 kbit/s per line of height) and under a low one by a tenth; its CBR, which
// ffmpeg chooses when -minrate, -maxrate and -b:v are the same, lands within
// a few percent, with a buffer of two seconds to spend on hard scenes.
const std::vector<std::string> kConstantVpx = {"-minrate", "$B",       "-maxrate",
                                               "$B",       "-bufsize", "$2B"};

// Its two-pass VBR alone lands 0.75-0.9 of a low target; tighter under- and
// overshoot limits than its 50 % keep it within a tenth (-minrate and
// -maxrate, which bound each stretch of the clip instead, made a slow pan
// come out at 1.47).
const std::vector<std::string> kTwoPassVpx = {"-undershoot-pct", "10", "-overshoot-pct", "10"};

struct FamilyRule {
    const char* encoder;
    const std::vector<std::string>& options;
};

// Encoder (as named after -vcodec) → options added after the caller's.
const FamilyRule kVideoRules[] = {
    {"mpeg4", kNativeOnePass},
    {"msmpeg4", kNativeOnePass},
    {"msmpeg4v2", kNativeOnePass},
    {"wmv1", kNativeOnePass},
    {"wmv2", kNativeOnePass},
    {"flv", kNativeOnePass},
    {"h263", kNativeOnePass},
    {"h263p", kNativeOnePass},
    {"rv10", kNativeOnePass},
    {"rv20", kNativeOnePass},
    {"mpeg1video", kNativeOnePass},
    {"mpeg2video", kNativeOnePass},
    // Xvid keeps to its rate but stops at quantiser 2: a high rate asked of
    // a grainy picture came out at a third of it (two thirds with 1).
    {"libxvid", kFloorOnly},
    {"libvpx-vp9", kConstantVpx},
};

// libvorbis averages its rate loosely and falls a quarter short on music;
// its managed mode keeps to it.
const std::vector<std::string> kManagedVorbis = {"-minrate:a", "$A", "-maxrate:a", "$A"};

// Audio encoder (as named after -acodec) → options added after the caller's.
const FamilyRule kAudioRules[] = {
    {"libvorbis", kManagedVorbis},
};

// "-target" kinds (after "pal-", "ntsc-" or "film-") → options added. VCD is
// constant-rate and SVCD lands on its rate already.
const FamilyRule kTargetRules[] = {
    {"dvd", kFloorOnly},
};

const std::vector<std::string>* videoRuleFor(const std::string& encoder)
{
    for (const FamilyRule& rule : kVideoRules) {
        if (encoder == rule.encoder)
            return &rule.options;
    }
    return nullptr;
}

const std::vector<std::string>* targetRuleFor(const std::string& target)
{
    const size_t dash = target.find('-');
    const std::string kind = dash == std::string::npos ? target : target.substr(dash + 1);
    for (const FamilyRule& rule : kTargetRules) {
        if (kind == rule.encoder)
            return &rule.options;
    }
    return nullptr;
}

// Appends the rule's name/value pairs that the options do not hold yet.
bool appendMissing(RateControlPlan& plan, const std::vector<std::string>& given,
                   const std::vector<std::string>& rule)
{
    bool added = false;
    for (size_t i = 0; i + 1 < rule.size(); i += 2) {
        if (hasOption(given, rule[i]))
            continue;
        // The starting fullness belongs to our buffer; a profile's own smaller
        // one would overflow from it ("stuffing too large").
        if (rule[i] == "-rc_init_occupancy" && hasOption(given, "-bufsize"))
            continue;
        plan.options.push_back(rule[i]);
        plan.options.push_back(expand(rule[i + 1], plan.videoBitrate, plan.audioBitrate));
        added = true;
    }
    return added;
}

// The value of the last occurrence of any of the option names; empty when
// none. Returns the value's index through `at` (npos when none).
std::string lastValue(const std::vector<std::string>& options,
                      std::initializer_list<const char*> names, size_t* at = nullptr)
{
    std::string value;
    size_t found = std::string::npos;
    for (size_t i = 0; i + 1 < options.size(); ++i) {
        if (options[i] == "-i") {
            ++i; // an input path is never an option
            continue;
        }
        for (const char* name : names) {
            if (options[i] == name) {
                value = options[i + 1];
                found = i + 1;
            }
        }
    }
    if (at)
        *at = found;
    return value;
}

// PCM's rate is its format's; FLAC's and ALAC's are what the sound needs:
// lossless encoders take no rate, and the app's "-ab" only passes them by.
bool takesNoRate(const std::string& encoder)
{
    return encoder.rfind("pcm_", 0) == 0 || encoder == "flac" || encoder == "alac";
}

// ASF's packets hold whole WMA blocks, and ffmpeg pads each packet to its
// fixed size (3200 bytes): at 192 kb/s two 1114-byte blocks fill a packet
// and the rest is padding, so a sound-only file comes out 1.4 to 1.7 times
// the asked rate. A packet sized to a whole number of blocks (each with its
// 16-byte payload header, plus the packet's own 16) wastes nothing. With
// video the packets are shared with its frames, and larger ones (about
// 12 KB) waste least: 1.21 of the asked rate came down to 1.09.
long long asfPacketSizeFor(const std::string& encoder, long long bitrate, long long sampleRate,
                           bool withVideo)
{
    if ((encoder != "wmav1" && encoder != "wmav2") || bitrate <= 0 || sampleRate <= 0 ||
        sampleRate > 1000000)
        return 0;
    // The samples in one WMA frame, as the encoder picks them by rate.
    int frameLength = 2048;
    if (sampleRate <= 16000)
        frameLength = 512;
    else if (sampleRate <= 22050 || (sampleRate <= 32000 && encoder == "wmav1"))
        frameLength = 1024;
    else if (sampleRate > 48000)
        frameLength = 4096;
    const long long block = std::min<long long>(bitrate * frameLength / (sampleRate * 8), 32768);
    if (block <= 0)
        return 0;
    constexpr long long kDefaultPacket = 3200, kHeader = 16, kMaxPacket = 65536;
    constexpr long long kSharedPacket = 12000;
    const long long blocks =
        withVideo ? (kSharedPacket + block + kHeader - 1) / (block + kHeader)
                  : std::max<long long>(1, (kDefaultPacket - kHeader) / (block + kHeader));
    const long long packet = blocks * (block + kHeader) + kHeader;
    // Small blocks fill the usual packet well enough; its size is kept then.
    if (!withVideo && kDefaultPacket - packet < kDefaultPacket / 10)
        return 0;
    return packet >= 100 && packet <= kMaxPacket ? packet : 0;
}

} // namespace

long long parseBitrate(const std::string& text)
{
    if (text.empty())
        return 0;
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || number <= 0)
        return 0;
    double scale = 1;
    const std::string suffix(end);
    if (suffix == "k" || suffix == "K")
        scale = 1e3;
    else if (suffix == "M")
        scale = 1e6;
    else if (suffix == "G")
        scale = 1e9;
    else if (!suffix.empty())
        return 0;
    // Nothing encodes a terabit a second; larger figures are not bitrates
    // we could double or multiply safely.
    if (number * scale > 1e12)
        return 0;
    return std::llround(number * scale);
}

bool rateControlEnabled()
{
    const char* setting = std::getenv("TRANSCAST_RATE_CONTROL");
    if (setting == nullptr)
        return true;
    const std::string value(setting);
    return value != "0" && value != "off";
}

RateControlPlan planRateControl(const std::vector<std::string>& options, bool enabled,
                                bool rereadable)
{
    RateControlPlan plan;
    plan.options = options;
    plan.videoEncoder = lastValue(options, {"-vcodec", "-c:v", "-codec:v"});
    plan.audioEncoder = lastValue(options, {"-acodec", "-c:a", "-codec:a"});
    plan.videoPresent = !hasOption(options, "-vn");
    plan.target = hasOption(options, "-target");
    plan.audioBitrate = parseBitrate(lastValue(options, {"-b:a", "-ab"}));
    size_t bitrateAt = std::string::npos;
    plan.videoBitrate = parseBitrate(lastValue(options, {"-b:v"}, &bitrateAt));
    if (!enabled)
        return plan;
    for (const FamilyRule& rule : kAudioRules) {
        if (plan.audioEncoder == rule.encoder && plan.audioBitrate > 0 && !plan.target &&
            appendMissing(plan, options, rule.options))
            plan.applied = true;
    }
    const long long packet =
        asfPacketSizeFor(plan.audioEncoder, plan.audioBitrate,
                         std::atoll(lastValue(options, {"-ar"}).c_str()), plan.videoPresent);
    if (packet > 0 && lastValue(options, {"-f"}) == "asf" && !hasOption(options, "-packet_size")) {
        plan.options.push_back("-packet_size");
        plan.options.push_back(std::to_string(packet));
        plan.applied = true;
    }
    if (!plan.videoPresent)
        return plan;
    if (plan.target) {
        const std::vector<std::string>* rule = targetRuleFor(lastValue(options, {"-target"}));
        plan.applied = rule != nullptr && appendMissing(plan, options, *rule);
        return plan;
    }
    if (plan.videoBitrate <= 0)
        return plan;

    // A profile that sets its own ceiling keeps it: ffmpeg refuses a bitrate
    // above -maxrate ("bitrate above max bitrate") and one that a frame's
    // share of -bufsize cannot hold ("VBV buffer too small for bitrate").
    size_t ceilingAt = std::string::npos;
    long long ceiling = parseBitrate(lastValue(options, {"-maxrate"}, &ceilingAt));
    const long long buffer = parseBitrate(lastValue(options, {"-bufsize"}));
    double rate = std::atof(lastValue(options, {"-r"}).c_str());
    if (!(rate > 0 && rate <= 1000)) // a frame rate, or none we could use
        rate = 0;
    if (buffer > 0 && rate > 0) {
        const long long bufferCeiling = static_cast<long long>(buffer * rate);
        if (ceiling <= 0 || bufferCeiling < ceiling)
            ceiling = bufferCeiling;
    }
    if (ceiling > 0 && plan.videoBitrate > ceiling) {
        plan.cappedFrom = plan.videoBitrate;
        plan.videoBitrate = ceiling;
        plan.options[bitrateAt] = std::to_string(ceiling);
    }

    // The statistics let it spend on grain what the whole clip can afford
    // (CBR spent 1.14-1.57 of the target on it). A profile's own passes or
    // ceiling stay its own.
    if (rereadable && plan.videoEncoder == "libvpx-vp9" && !hasOption(options, "-pass") &&
        ceilingAt == std::string::npos) {
        plan.twoPass = true;
        plan.applied = true;
        appendMissing(plan, options, kTwoPassVpx);
        return plan;
    }
    const std::vector<std::string>* rule = videoRuleFor(plan.videoEncoder);
    if (rule == nullptr)
        return plan;
    // Options come in name/value pairs. One the caller gave stays, except a
    // -maxrate looser than the bitrate, which would not hold the encoder to
    // it (rv20's profiles carry a nominal 50000k).
    // A capped bitrate keeps the profile's ceiling: rv20 held to exactly what
    // its small buffer allows fails with "stuffing too large".
    if (ceilingAt != std::string::npos && plan.cappedFrom == 0 &&
        parseBitrate(plan.options[ceilingAt]) > plan.videoBitrate && hasOption(*rule, "-maxrate")) {
        plan.options[ceilingAt] = std::to_string(plan.videoBitrate);
        plan.applied = true;
    }
    if (appendMissing(plan, options, *rule))
        plan.applied = true;
    return plan;
}

std::string shortfallMessage(const RateControlPlan& plan, long long bytes, double seconds)
{
    if (plan.target || takesNoRate(plan.audioEncoder) || seconds <= 0 || bytes <= 0)
        return std::string();
    const long long asked = (plan.videoPresent ? plan.videoBitrate : 0) + plan.audioBitrate;
    if (asked <= 0 || (plan.videoPresent && plan.videoBitrate <= 0))
        return std::string();
    const double actual = static_cast<double>(bytes) * 8 / seconds;
    if (actual <= asked * 1.15)
        return std::string();
    const std::string encoder =
        plan.videoPresent && !plan.videoEncoder.empty() ? plan.videoEncoder : plan.audioEncoder;
    char message[256];
    std::snprintf(message, sizeof message,
                  "the output holds %.0f kb/s where %.0f kb/s were asked: %s cannot go that "
                  "low here; the file is kept",
                  actual / 1000, asked / 1000.0, encoder.empty() ? "the encoder" : encoder.c_str());
    return message;
}

void reportCap(const RateControlPlan& plan)
{
    if (plan.cappedFrom <= 0)
        return;
    reportError("the video bitrate asked, " + std::to_string(plan.cappedFrom / 1000) +
                " kb/s, is above what this profile allows; " +
                std::to_string(plan.videoBitrate / 1000) + " kb/s is used");
}

void reportShortfall(const RateControlPlan& plan, const std::string& outputPath,
                     long long durationUs)
{
    if (plan.target || (plan.videoBitrate <= 0 && plan.audioBitrate <= 0) || durationUs <= 0)
        return;
    struct stat status;
    if (stat(outputPath.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return;
    const std::string message = shortfallMessage(plan, static_cast<long long>(status.st_size),
                                                 static_cast<double>(durationUs) / 1e6);
    if (!message.empty())
        reportError(message);
}

} // namespace transcast
