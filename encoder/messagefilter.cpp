#include "messagefilter.h"

#include <array>

namespace transcast
{

namespace
{

constexpr std::array<std::string_view, 9> kLevels = {
    "quiet", "panic", "fatal", "error", "warning", "info", "verbose", "debug", "trace"};

bool isFailureLevel(std::string_view level)
{
    return level == "panic" || level == "fatal" || level == "error";
}

// "[name]" at the start of text: the name, or empty when text does not
// start with a bracket.
std::string_view bracketed(std::string_view text)
{
    if (text.empty() || text.front() != '[')
        return {};
    const size_t close = text.find(']');
    return close == std::string_view::npos ? std::string_view() : text.substr(1, close - 1);
}

bool isLevel(std::string_view name)
{
    for (std::string_view level : kLevels) {
        if (name == level)
            return true;
    }
    return false;
}

std::string defused(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t start = 0;
    for (size_t at = text.find("time="); at != std::string_view::npos;
         at = text.find("time=", start)) {
        out.append(text.substr(start, at - start));
        out.append("time =");
        start = at + 5;
    }
    out.append(text.substr(start));
    return out;
}

} // namespace

bool isWriteFailure(std::string_view message)
{
    // The muxer's calls as ffmpeg 5.1 and later name them when they fail.
    static constexpr std::string_view calls[] = {
        "av_interleaved_write_frame()", "Error writing trailer", "Error closing file",
        "Error muxing a packet", "Error submitting a packet to the muxer"};
    // Reading a source never fails with these.
    static constexpr std::string_view writeErrors[] = {"No space left on device",
                                                       "Disk quota exceeded", "File too large"};
    for (std::string_view call : calls) {
        if (message.find(call) != std::string_view::npos)
            return true;
    }
    for (std::string_view error : writeErrors) {
        if (message.find(error) != std::string_view::npos)
            return true;
    }
    return false;
}

bool isStatisticsLine(std::string_view line)
{
    const size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return false;
    line.remove_prefix(first);
    const bool statsStart = line.rfind("frame=", 0) == 0 || line.rfind("size=", 0) == 0;
    return statsStart && line.find("time=") != std::string_view::npos &&
           line.find("bitrate=") != std::string_view::npos;
}

std::string MessageFilter::pass(std::string_view line)
{
    // "[libx264 @ 0x55e5] [error] message" or "[info] message".
    std::string_view context;
    std::string_view rest = line;
    std::string_view level = bracketed(rest);
    if (!level.empty() && !isLevel(level)) {
        context = rest.substr(0, level.size() + 2);
        rest.remove_prefix(context.size());
        if (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        level = bracketed(rest);
    }
    if (isLevel(level)) {
        rest.remove_prefix(level.size() + 2);
        if (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
    } else {
        // A line ffmpeg wrote without a tag (a continued message).
        context = {};
        rest = line;
        level = {};
    }

    if (isStatisticsLine(rest) || rest.rfind("ffmpeg stats and -progress period set to", 0) == 0)
        return {};

    if (isFailureLevel(level)) {
        std::string_view message = rest;
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
            message.remove_suffix(1);
        const std::string_view name = bracketed(context);
        std::string said;
        if (!name.empty())
            said = std::string(name.substr(0, name.find(" @ "))) + ": ";
        said += message;
        if (!said.empty() && (said == m_firstError || said == m_writeError))
            return {};
        bool held = false;
        if (m_firstError.empty()) {
            m_firstError = said;
            held = true;
        }
        if (m_writeError.empty() && isWriteFailure(message)) {
            m_writeError = said;
            held = true;
        }
        if (held)
            return {};
    }
    std::string passed(context.empty() ? std::string_view() : context);
    if (!context.empty())
        passed += ' ';
    passed += rest;
    return defused(passed);
}

std::string MessageFilter::feed(std::string_view data)
{
    m_pending.append(data);
    std::string passed;
    size_t start = 0;
    for (size_t end = m_pending.find_first_of("\r\n"); end != std::string::npos;
         end = m_pending.find_first_of("\r\n", start)) {
        passed += pass(std::string_view(m_pending).substr(start, end + 1 - start));
        start = end + 1;
    }
    m_pending.erase(0, start);
    return passed;
}

std::string MessageFilter::closingLines(const std::string& reason) const
{
    std::string lines;
    if (!m_firstError.empty() && m_firstError != reason)
        lines += defused(m_firstError) + "\n";
    if (!m_writeError.empty() && m_writeError != reason && m_writeError != m_firstError)
        lines += defused(m_writeError) + "\n";
    if (!reason.empty())
        lines += defused(reason) + "\n";
    return lines;
}

std::string MessageFilter::finish()
{
    std::string rest;
    rest.swap(m_pending);
    return rest.empty() ? rest : pass(rest);
}

} // namespace transcast
