#include "motion.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include <unistd.h>

#include "childprocess.h"
#include "conversion.h"
#include "ffmpegcommand.h"
#include "pacing.h"
#include "shape.h"

namespace transcast
{

namespace
{

// How many frames idet must have told apart before its counts are believed.
constexpr long long kEnoughFrames = 30;
// Each look's length, and a source short enough to be looked at whole.
constexpr double kLookSeconds = 4;
constexpr double kWholeUpTo = 20;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The number after `label` in `line`, 0 when it is not there.
long long countAfter(const std::string& line, const char* label)
{
    const size_t at = line.find(label);
    if (at == std::string::npos)
        return 0;
    return std::atoll(line.c_str() + at + std::strlen(label));
}

// A disc format whose players show fields.
bool interlacedDisc(const std::vector<std::string>& options)
{
    const std::string target = lastValueOf(options, {"-target"});
    return target.size() > 4 && (target.compare(target.size() - 4, 4, "-dvd") == 0 ||
                                 target.compare(target.size() - 5, 5, "-svcd") == 0);
}

// The encoders whose devices play any rate the source has; the others
// (discs, MPEG-1/2, the old Windows, Flash and Real formats) are made for
// their profile's rate.
bool playsAnyRate(const std::vector<std::string>& options)
{
    if (hasArgument(options, "-target"))
        return false;
    const std::string codec = lastValueOf(options, {"-vcodec"});
    return codec == "libx264" || codec == "libxvid" || codec == "mpeg4";
}

// A rate in ffmpeg's spelling: the NTSC family as fractions, others whole.
std::string rateText(double fps)
{
    static const std::pair<double, const char*> kNtsc[] = {{24000.0 / 1001, "24000/1001"},
                                                           {30000.0 / 1001, "30000/1001"},
                                                           {60000.0 / 1001, "60000/1001"}};
    for (const auto& [value, text] : kNtsc) {
        if (std::fabs(fps - value) < 0.005)
            return text;
    }
    return std::to_string(std::max(1L, std::lround(fps)));
}

double rateValue(const std::string& text)
{
    const size_t slash = text.find('/');
    if (slash == std::string::npos)
        return std::atof(text.c_str());
    const double den = std::atof(text.c_str() + slash + 1);
    return den > 0 ? std::atof(text.substr(0, slash).c_str()) / den : 0;
}

// The "-fpsmax" of a profile's line: the source's rate is kept up to it,
// whatever the user's frame-rate choice. 0 when the line gives none.
double rateCeiling(const std::vector<std::string>& options)
{
    const double ceiling = std::atof(lastValueOf(options, {"-fpsmax"}).c_str());
    return ceiling > 0 && ceiling <= 1000 ? ceiling : 0;
}

// The rate the output takes when the user asks for the source's, or the
// profile's line keeps it up to its "-fpsmax"; empty when the profile's own
// rate stands (the source gives none, or it is the same).
std::string sourceRate(const StreamSummary& video, const Motion& motion,
                       const std::vector<std::string>& options)
{
    const std::string profileRate = requestedFrameRate(options);
    const double ceiling = rateCeiling(options);
    if (video.framesPerSecond <= 0 ||
        (ceiling <= 0 && (profileRate.empty() || !playsAnyRate(options))))
        return std::string();
    double fps = video.framesPerSecond;
    if (motion.scan == Scan::Telecined)
        fps = fps * 4 / 5; // the film's own rate
    // A small device's player decodes no more than 30 frames a second; a
    // profile's ceiling says itself what its devices play.
    const std::string size = lastValueOf(options, {"-s"});
    const size_t x = size.find('x');
    const bool small = x != std::string::npos &&
                       std::atoi(size.c_str()) * std::atoi(size.c_str() + x + 1) <= 320 * 240;
    const double most = ceiling > 0 ? ceiling : small ? 30 : 60;
    if (fps > most + 0.01)
        fps = fps / std::ceil(fps / most - 0.001); // 50 into 25, 59.94 into 29.97
    const std::string rate = rateText(fps);
    return !profileRate.empty() && std::fabs(rateValue(rate) - rateValue(profileRate)) < 0.001
               ? std::string()
               : rate;
}

// The picture's sample format for the encoders that write 10 bits as well as
// 8 when the profile's line names none: 10 bits from a source of more than 8
// bits, else 8 (which players take). Empty for other encoders and lines.
std::string deepFormatFor(const StreamSummary& video, const std::vector<std::string>& options)
{
    const std::string codec = lastValueOf(options, {"-vcodec", "-c:v", "-codec:v"});
    if ((codec != "libx265" && codec != "libsvtav1") || hasArgument(options, "-pix_fmt"))
        return std::string();
    return video.pictureBits > 8 ? "yuv420p10le" : "yuv420p";
}

std::string parity(const Motion& motion)
{
    if (!motion.orderKnown)
        return "auto";
    return motion.topFieldFirst ? "tff" : "bff";
}

std::string toneMapFilter(const StreamSummary& video)
{
    // Linear light at 100 nits for SDR white, mapped by Hable's curve, then
    // coded again as BT.709 in TV range. The source's own tags are said
    // outright: a frame that lost them would otherwise pass through as is.
    return "zscale=tin=" + video.transfer +
           ":min=bt2020nc:pin=bt2020:rin=tv:t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,"
           "tonemap=tonemap=hable:desat=0,zscale=t=bt709:m=bt709:r=tv,format=yuv420p";
}

} // namespace

PictureChoices pictureChoicesFromEnvironment()
{
    PictureChoices choices;
    const std::string deinterlace = environment("TRANSCAST_DEINTERLACE");
    if (deinterlace == "always")
        choices.deinterlace = Deinterlace::Always;
    else if (deinterlace == "never")
        choices.deinterlace = Deinterlace::Never;
    if (environment("TRANSCAST_FRAME_RATE") == "source")
        choices.frameRate = FrameRateChoice::Source;
    choices.cropBars = environment("TRANSCAST_CROP") == "automatic";
    return choices;
}

std::string describeChoices(const PictureChoices& choices)
{
    const char* deinterlace = choices.deinterlace == Deinterlace::Always  ? "always"
                              : choices.deinterlace == Deinterlace::Never ? "never"
                                                                          : "automatic";
    return std::string("deinterlace ") + deinterlace + ", frame rate " +
           (choices.frameRate == FrameRateChoice::Source ? "as the source"
                                                         : "as the profile says") +
           ", crop black bars " + (choices.cropBars ? "automatic" : "off");
}

void ScanCounts::addLog(const std::string& log)
{
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find("Repeated Fields:") != std::string::npos) {
            repeatedNone += countAfter(line, "Neither:");
            repeatedTop += countAfter(line, "Top:");
            repeatedBottom += countAfter(line, "Bottom:");
        } else if (line.find("Multi frame detection:") != std::string::npos) {
            topFirst += countAfter(line, "TFF:");
            bottomFirst += countAfter(line, "BFF:");
            progressive += countAfter(line, "Progressive:");
            undetermined += countAfter(line, "Undetermined:");
        }
    }
    // cropdetect's last line of the run holds all it saw (reset=0); the
    // runs' rectangles add up to the smallest one holding them all.
    const size_t last = log.rfind(" crop=");
    if (last == std::string::npos)
        return;
    int w = 0, h = 0, x = 0, y = 0;
    if (std::sscanf(log.c_str() + last, " crop=%d:%d:%d:%d", &w, &h, &x, &y) != 4 || w <= 0 ||
        h <= 0 || x < 0 || y < 0)
        return;
    if (cropWidth == 0) {
        cropWidth = w, cropHeight = h, cropX = x, cropY = y;
        return;
    }
    const int right = std::max(cropX + cropWidth, x + w);
    const int bottom = std::max(cropY + cropHeight, y + h);
    cropX = std::min(cropX, x);
    cropY = std::min(cropY, y);
    cropWidth = right - cropX;
    cropHeight = bottom - cropY;
}

Motion classifyScan(const ScanCounts& counts, StreamSummary::FieldOrder streamOrder)
{
    Motion motion;
    if (streamOrder == StreamSummary::FieldOrder::TopFirst ||
        streamOrder == StreamSummary::FieldOrder::BottomFirst) {
        motion.orderKnown = true;
        motion.topFieldFirst = streamOrder == StreamSummary::FieldOrder::TopFirst;
    }
    const long long fields = counts.topFirst + counts.bottomFirst;
    const long long told = fields + counts.progressive;
    const long long looked = counts.repeatedNone + counts.repeatedTop + counts.repeatedBottom;
    const long long repeated = counts.repeatedTop + counts.repeatedBottom;
    if (told >= kEnoughFrames && looked >= kEnoughFrames) {
        // 3:2 pulldown repeats a field in 2 of every 5 frames; interlaced
        // video and progressive frames repeat none, bar a still picture's
        // noise.
        if (repeated * 5 >= looked) {
            motion.scan = Scan::Telecined;
        } else {
            // Interlaced video combs in one field order throughout; fine
            // progressive detail fools idet in both orders alike.
            const long long dominant = std::max(counts.topFirst, counts.bottomFirst);
            const long long other = std::min(counts.topFirst, counts.bottomFirst);
            motion.scan = dominant * 4 >= told && dominant >= 3 * other ? Scan::Interlaced
                                                                        : Scan::Progressive;
        }
        if (motion.scan != Scan::Progressive && fields > 0) {
            motion.orderKnown = true;
            motion.topFieldFirst = counts.topFirst >= counts.bottomFirst;
        }
        return motion;
    }
    // Too still or too short to tell: the stream's word stands.
    if (streamOrder == StreamSummary::FieldOrder::Progressive)
        motion.scan = Scan::Progressive;
    else if (motion.orderKnown)
        motion.scan = Scan::Interlaced;
    return motion;
}

bool needsLook(const StreamSummary& video, const PictureChoices& choices)
{
    if (choices.cropBars)
        return true;
    if (choices.deinterlace != Deinterlace::Automatic)
        return false;
    switch (video.fieldOrder) {
    case StreamSummary::FieldOrder::Progressive:
        return video.codec == "mpeg2video";
    case StreamSummary::FieldOrder::TopFirst:
    case StreamSummary::FieldOrder::BottomFirst:
        return true;
    case StreamSummary::FieldOrder::Unknown:
        break;
    }
    // Silent streams of the codecs that TV, discs, camcorders and capture
    // cards write; the web's and the old desktop formats' (MPEG-4 Part 2,
    // VP8/9, AV1, WMV, HEVC from phones) are progressive in practice.
    static const char* const kBroadcastCodecs[] = {"mpeg2video", "h264",   "vc1",     "dvvideo",
                                                   "mjpeg",      "prores", "rawvideo"};
    return std::find(std::begin(kBroadcastCodecs), std::end(kBroadcastCodecs), video.codec) !=
           std::end(kBroadcastCodecs);
}

PicturePlan planPicture(const StreamSummary& video, const Motion& motion, const ScanCounts& counts,
                        const PictureChoices& choices, const std::vector<std::string>& options)
{
    PicturePlan plan;
    std::vector<std::string> lead;
    const bool fields = interlacedDisc(options);
    Motion used = motion;
    if (choices.deinterlace == Deinterlace::Always && used.scan != Scan::Telecined)
        used.scan = Scan::Interlaced;
    if (choices.deinterlace == Deinterlace::Never)
        used.scan = Scan::Unknown;
    std::string found;
    switch (used.scan) {
    case Scan::Telecined:
        // Fields matched back into film frames; a frame left combed (an
        // edit in the cadence) is deinterlaced; the repeated frame dropped.
        lead.push_back("fieldmatch=order=" + parity(used) + ":combmatch=full");
        lead.push_back("bwdif=mode=send_frame:parity=" + parity(used) + ":deint=interlaced");
        lead.push_back("decimate");
        found = "telecined film, put back together";
        break;
    case Scan::Interlaced:
        if (fields) {
            plan.keepFields = true;
            plan.outputOptions = {"-flags", "+ilme+ildct", "-top",
                                  !used.orderKnown || used.topFieldFirst ? "1" : "0"};
            found = "interlaced, its fields kept";
        } else {
            lead.push_back("bwdif=mode=send_frame:parity=" + parity(used) + ":deint=all");
            found = "interlaced, deinterlaced";
        }
        if (used.orderKnown)
            found += used.topFieldFirst ? " (top field first)" : " (bottom field first)";
        break;
    case Scan::Progressive:
        found = "progressive";
        break;
    case Scan::Unknown:
        found = choices.deinterlace == Deinterlace::Never ? "left as it is" : "not told";
        break;
    }
    // Bars of at least 2 % of a side are cut; a line or two of a dark edge
    // is only an edge.
    if (choices.cropBars && counts.cropWidth > 0 && video.width > 0 && video.height > 0) {
        const bool narrower = (video.width - counts.cropWidth) * 50 >= video.width;
        const bool lower = (video.height - counts.cropHeight) * 50 >= video.height;
        if (narrower || lower) {
            const int w = narrower ? counts.cropWidth : video.width;
            const int h = lower ? counts.cropHeight : video.height;
            const int x = narrower ? counts.cropX : 0;
            const int y = lower ? counts.cropY : 0;
            lead.push_back("crop=" + std::to_string(w) + ":" + std::to_string(h) + ":" +
                           std::to_string(x) + ":" + std::to_string(y));
            found += ", black bars cropped to " + std::to_string(w) + "x" + std::to_string(h);
        }
    }
    if (!video.transfer.empty()) {
        plan.tailFilters = toneMapFilter(video);
        plan.outputOptions.insert(
            plan.outputOptions.end(),
            {"-color_primaries", "bt709", "-color_trc", "bt709", "-colorspace", "bt709"});
        found += ", HDR (" + video.transfer + ") tone-mapped to SDR";
    }
    if (choices.frameRate == FrameRateChoice::Source || rateCeiling(options) > 0)
        plan.frameRate = sourceRate(video, used, options);
    const std::string format = deepFormatFor(video, options);
    if (!format.empty()) {
        plan.outputOptions.insert(plan.outputOptions.end(), {"-pix_fmt", format});
        if (format != "yuv420p")
            found += ", " + std::to_string(video.pictureBits) + "-bit, written in 10 bits";
    }
    for (size_t i = 0; i < lead.size(); ++i)
        plan.leadFilters += (i == 0 ? "" : ",") + lead[i];
    plan.summary = "# picture: " + describeChoices(choices) + "; the source is " + found +
                   (plan.frameRate.empty() ? "" : "; output at " + plan.frameRate + " fps") +
                   (rateCeiling(options) > 0
                        ? " (the source's rate up to " + lastValueOf(options, {"-fpsmax"}) + ")"
                        : "") +
                   "\n";
    return plan;
}

std::vector<std::string> lookArguments(const std::vector<std::string>& inputArguments,
                                       double startSeconds, double seconds, bool crop)
{
    std::vector<std::string> arguments = {"-hide_banner", "-nostdin", "-nostats", "-loglevel",
                                          "info"};
    if (startSeconds > 0) {
        arguments.push_back("-ss");
        arguments.push_back(std::to_string(startSeconds));
    }
    arguments.insert(arguments.end(), inputArguments.begin(), inputArguments.end());
    const std::vector<std::string> rest = {"-t",
                                           std::to_string(seconds),
                                           "-map",
                                           "0:v:0",
                                           "-an",
                                           "-sn",
                                           "-dn",
                                           "-vf",
                                           crop ? "idet,cropdetect=limit=24:round=2:reset=0"
                                                : "idet",
                                           "-f",
                                           "null",
                                           "-"};
    arguments.insert(arguments.end(), rest.begin(), rest.end());
    return arguments;
}

bool lookAtSource(const std::vector<std::string>& inputArguments, long long durationUs, bool crop,
                  ScanCounts& counts, int inputFd)
{
    const double seconds = durationUs > 0 ? static_cast<double>(durationUs) / 1e6 : 0;
    std::vector<std::pair<double, double>> looks;
    if (inputFd != -1 || seconds <= 0 || seconds <= kWholeUpTo)
        looks.push_back({0, kWholeUpTo});
    else
        for (const double at : {0.1, 0.5, 0.85})
            looks.push_back({seconds * at, kLookSeconds});
    for (const auto& [start, length] : looks) {
        int log[2];
        if (!pipeAbove(log))
            return false;
        std::vector<ChildProcess::Redirect> redirects = {{STDERR_FILENO, log[1]}};
        if (inputFd != -1)
            redirects.push_back({STDIN_FILENO, inputFd});
        ChildProcess ffmpeg;
        const bool started = ffmpeg.start(
            ffmpegProgram(), lookArguments(inputArguments, start, length, crop), redirects);
        close(log[1]);
        std::string text;
        char buffer[4096];
        ssize_t got = 0;
        while (started && (got = readSome(log[0], buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<size_t>(got));
        close(log[0]);
        if (!started)
            return false;
        ffmpeg.wait();
        counts.addLog(text);
        // A stop while looking ends the job: nothing is left to look at.
        if (ChildProcess::wasInterrupted())
            return false;
    }
    return true;
}

PicturePlan preparePicture(const StreamSummary& video, long long durationUs,
                           const std::vector<std::string>& inputArguments,
                           const std::vector<std::string>& options, int inputFd)
{
    const PictureChoices choices = pictureChoicesFromEnvironment();
    ScanCounts counts;
    if (needsLook(video, choices))
        lookAtSource(inputArguments, durationUs, choices.cropBars, counts, inputFd);
    return planPicture(video, classifyScan(counts, video.fieldOrder), counts, choices, options);
}

} // namespace transcast
