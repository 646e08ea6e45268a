#include "shape.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

#include "pacing.h"

namespace transcast
{

namespace
{

Aspect reduced(long long num, long long den)
{
    if (num <= 0 || den <= 0)
        return {};
    const long long divisor = std::gcd(num, den);
    return {num / divisor, den / divisor};
}

// The nearest ratio whose terms are at most `limit`, found along the
// continued fraction of num/den as ffmpeg finds the aspect it writes.
Aspect nearest(long long num, long long den, long long limit)
{
    if (num <= limit && den <= limit)
        return {num, den};
    using Wide = __int128; // the products of two terms never overflow
    Wide a0 = 0, b0 = 1;   // the convergent before the last
    Wide a1 = 1, b1 = 0;   // the last one within the limit
    Wide n = num, d = den;
    while (d != 0) {
        Wide q = n / d;
        const Wide a2 = q * a1 + a0, b2 = q * b1 + b0;
        if (a2 > limit || b2 > limit) {
            // The largest step that stays within the limit, taken where it
            // comes closer than the last convergent.
            if (a1 != 0)
                q = (limit - a0) / a1;
            if (b1 != 0)
                q = std::min(q, (limit - b0) / b1);
            if (d * (2 * q * b1 + b0) > n * b1) {
                a1 = q * a1 + a0;
                b1 = q * b1 + b0;
            }
            break;
        }
        const Wide r = n - q * d;
        a0 = a1;
        b0 = b1;
        a1 = a2;
        b1 = b2;
        n = d;
        d = r;
    }
    return reduced(static_cast<long long>(a1), static_cast<long long>(b1));
}

bool readSize(const std::string& text, int& width, int& height)
{
    const size_t x = text.find('x');
    if (x == std::string::npos || x == 0 || x + 1 == text.size() || x > 6 || text.size() - x > 7)
        return false;
    const std::string w = text.substr(0, x);
    const std::string h = text.substr(x + 1);
    if (w.find_first_not_of("0123456789") != std::string::npos ||
        h.find_first_not_of("0123456789") != std::string::npos)
        return false;
    width = std::atoi(w.c_str());
    height = std::atoi(h.c_str());
    return width > 0 && height > 0;
}

// A disc target's frame and whether its players read a 16:9 flag.
std::optional<Frame> discFrame(const std::string& name)
{
    const size_t dash = name.find('-');
    if (dash == std::string::npos)
        return std::nullopt; // the norm would be guessed from the input's rate
    const std::string norm = name.substr(0, dash);
    const std::string kind = name.substr(dash + 1);
    if (norm != "pal" && norm != "ntsc" && norm != "film")
        return std::nullopt;
    const bool pal = norm == "pal";
    Frame frame;
    frame.flagged = true;
    if (kind == "vcd") {
        frame.width = 352;
        frame.height = pal ? 288 : 240;
    } else if (kind == "svcd") {
        frame.width = 480;
        frame.height = pal ? 576 : 480;
        frame.wideFlag = true;
    } else if (kind == "dvd") {
        frame.width = 720;
        frame.height = pal ? 576 : 480;
        frame.wideFlag = true;
    } else {
        return std::nullopt;
    }
    return frame;
}

std::string ratio(const Aspect& aspect)
{
    return "(" + std::to_string(aspect.num) + "/" + std::to_string(aspect.den) + ")";
}

bool copiesVideo(const std::vector<std::string>& options)
{
    for (size_t i = 0; i + 1 < options.size(); ++i) {
        const std::string& option = options[i];
        if ((option == "-vcodec" || option == "-c:v" || option == "-codec:v" || option == "-c" ||
             option == "-codec") &&
            options[i + 1] == "copy")
            return true;
    }
    return false;
}

// Puts the chain where ffmpeg takes it for the output's picture.
void addFilter(std::vector<std::string>& arguments, size_t outputOptionsAt,
               const std::string& chain)
{
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] != "-filter_complex")
            continue;
        // A complex graph feeds the output through its labelled end
        // ("...overlay[burned]" with "-map [burned]"): the chain goes before
        // the label. (ffmpeg takes no -vf on such a stream.)
        std::string& graph = arguments[i + 1];
        const size_t open = graph.rfind('[');
        if (graph.empty() || graph.back() != ']' || open == std::string::npos)
            continue;
        const std::string label = graph.substr(open);
        for (size_t m = 0; m + 1 < arguments.size(); ++m) {
            if (arguments[m] == "-map" && arguments[m + 1] == label) {
                graph = graph.substr(0, open) + "," + chain + label;
                return;
            }
        }
    }
    for (size_t i = outputOptionsAt; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "-vf" || arguments[i] == "-filter:v") {
            arguments[i + 1] += "," + chain;
            return;
        }
    }
    arguments.push_back("-vf");
    arguments.push_back(chain);
}

} // namespace

Aspect parseAspect(const std::string& text)
{
    const size_t colon = text.find(':');
    if (colon != std::string::npos) {
        char* end = nullptr;
        const long long num = std::strtoll(text.c_str(), &end, 10);
        if (end != text.c_str() + colon)
            return {};
        const char* rest = text.c_str() + colon + 1;
        const long long den = std::strtoll(rest, &end, 10);
        if (end == rest || *end != '\0')
            return {};
        // ffmpeg keeps a ratio's terms within 255, and so the frame's
        // pixels stay countable in the products below.
        const Aspect exact = reduced(num, den);
        return exact.known() ? nearest(exact.num, exact.den, 255) : exact;
    }
    std::string decimal = text;
    std::replace(decimal.begin(), decimal.end(), ',', '.');
    char* end = nullptr;
    const double value = std::strtod(decimal.c_str(), &end);
    if (end == decimal.c_str() || *end != '\0' || !(value > 0) || value > 100)
        return {};
    // The app writes the frame's width over height with four decimals.
    for (long long den = 1; den <= 1000; ++den) {
        const long long num = std::llround(value * double(den));
        if (num > 0 && std::fabs(double(num) / double(den) / value - 1) < 0.001)
            return reduced(num, den);
    }
    return reduced(std::llround(value * 10000), 10000);
}

std::optional<Frame> requestedFrame(const std::vector<std::string>& options)
{
    std::optional<Frame> frame;
    Aspect asked;
    for (size_t i = 0; i + 1 < options.size(); ++i) {
        const std::string& option = options[i];
        const std::string& value = options[i + 1];
        if (option == "-s") {
            // A size after a target keeps the target's flag.
            Frame sized = frame.value_or(Frame());
            if (readSize(value, sized.width, sized.height))
                frame = sized;
            ++i;
        } else if (option == "-target") {
            // ffmpeg reads a target as the options it stands for, the frame
            // size among them, at the place it stands.
            if (const std::optional<Frame> disc = discFrame(value))
                frame = disc;
            ++i;
        } else if (option == "-aspect") {
            asked = parseAspect(value);
            ++i;
        }
    }
    if (!frame)
        return std::nullopt;
    if (asked.known()) {
        frame->aspect = asked;
        frame->flagged = false;
    } else if (!frame->flagged) {
        frame->aspect = reduced(frame->width, frame->height);
    }
    return frame;
}

std::string fitFilter(const Frame& frame, bool fields)
{
    if (frame.width <= 0 || frame.height <= 0 || (!frame.flagged && !frame.aspect.known()))
        return {};
    // F: the shape the frame is shown at; for a flagged disc the flag
    // nearest the picture's.
    std::string shape = ratio(frame.aspect);
    if (frame.flagged)
        shape = frame.wideFlag ? "if(lt(abs(log(dar*3/4)),abs(log(dar*9/16))),4/3,16/9)" : "(4/3)";
    const std::string w = std::to_string(frame.width);
    const std::string h = std::to_string(frame.height);
    // Apart by more than 2 %: a wider picture keeps the frame's width and
    // gets bars above and below, a narrower one keeps its height and gets
    // bars at the sides; the side that shrinks is rounded to an even number,
    // as 4:2:0 pictures need. Closer shapes fill the frame as before.
    const std::string apart = "gt(abs(dar/" + shape + "-1),0.02)";
    const std::string width = "if(" + apart + "*lt(dar," + shape + "),max(2,min(" + w +
                              ",2*trunc(" + w + "*dar/" + shape + "/2+0.5)))," + w + ")";
    const std::string height = "if(" + apart + "*gt(dar," + shape + "),max(2,min(" + h +
                               ",2*trunc(" + h + "*" + shape + "/dar/2+0.5)))," + h + ")";
    // Fields are scaled each on its own, and the picture moved down by whole
    // pairs of lines, so that no line lands in the other field.
    std::string chain = "scale=w='" + width + "':h='" + height + "'" + (fields ? ":interl=1" : "") +
                        ",pad=" + w + ":" + h +
                        ":(ow-iw)/2:" + (fields ? "trunc((oh-ih)/4)*2" : "(oh-ih)/2") + ":black";
    // A frame of a given shape has pixels that shape makes; a flagged disc's
    // picture keeps the shape the scale gave it, and its encoder writes the
    // flag nearest to it.
    if (!frame.flagged) {
        const Aspect pixel =
            reduced(frame.aspect.num * frame.height, frame.aspect.den * frame.width);
        chain += ",setsar=" + std::to_string(pixel.num) + "/" + std::to_string(pixel.den);
    }
    return chain;
}

void addPictureFilters(std::vector<std::string>& arguments, const PicturePlan& plan)
{
    const size_t at = inputValueAt(arguments);
    const std::vector<std::string> options = outputOptionsOf(arguments);
    if (at >= arguments.size())
        return;
    if (copiesVideo(options) || std::find(options.begin(), options.end(), "-vn") != options.end())
        return;
    // Fields and bars first, on the source's own frames; then the rate, so
    // that a 29.97 or 50 fps source loses its extra frames before they are
    // scaled; tone mapping last, on the fewest pixels.
    std::vector<std::string> parts = {plan.leadFilters, paceFilter(options)};
    if (const std::optional<Frame> frame = requestedFrame(options))
        parts.push_back(fitFilter(*frame, plan.keepFields));
    parts.push_back(plan.tailFilters);
    std::string chain;
    for (const std::string& part : parts) {
        if (!part.empty())
            chain += (chain.empty() ? "" : ",") + part;
    }
    if (!chain.empty())
        addFilter(arguments, at + 1, chain);
    arguments.insert(arguments.end(), plan.outputOptions.begin(), plan.outputOptions.end());
}

} // namespace transcast
