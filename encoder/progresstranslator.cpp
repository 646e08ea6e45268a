#include "progresstranslator.h"

#include <cstdio>
#include <cstdlib>

namespace transcast
{

namespace
{

std::string_view trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Whole number, or fallback when the text is not one (ffmpeg writes "N/A").
long long toInteger(std::string_view text, long long fallback)
{
    const std::string value(trimmed(text));
    if (value.empty())
        return fallback;
    char* end = nullptr;
    const long long number = std::strtoll(value.c_str(), &end, 10);
    return *end == '\0' ? number : fallback;
}

} // namespace

std::vector<ProgressSample> ProgressTranslator::feed(std::string_view data)
{
    std::vector<ProgressSample> completed;
    m_pending.append(data);
    size_t start = 0;
    for (size_t end = m_pending.find('\n'); end != std::string::npos;
         end = m_pending.find('\n', start)) {
        takeLine(std::string_view(m_pending).substr(start, end - start), completed);
        start = end + 1;
    }
    m_pending.erase(0, start);
    return completed;
}

void ProgressTranslator::takeLine(std::string_view line, std::vector<ProgressSample>& completed)
{
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return;
    const std::string_view key = trimmed(line.substr(0, equals));
    const std::string_view value = trimmed(line.substr(equals + 1));

    if (key == "frame") {
        m_current.frame = toInteger(value, 0);
    } else if (key == "out_time_us" || key == "out_time_ms") {
        // Both hold microseconds (the "ms" name is an old ffmpeg slip); older
        // releases write only the second.
        m_current.outTimeUs = toInteger(value, -1);
    } else if (key == "bitrate") {
        m_current.bitrate = value.empty() ? "N/A" : std::string(value);
    } else if (key == "progress") {
        m_current.end = value == "end";
        completed.push_back(m_current);
        // A block without a "frame" key (audio only) must not inherit the
        // previous count; the time and bitrate come in every block anyway.
        m_current = ProgressSample();
    }
}

std::string formatProgressLine(const ProgressSample& sample)
{
    const long long hundredths = sample.outTimeUs > 0 ? sample.outTimeUs / 10000 : 0;
    char time[32];
    std::snprintf(time, sizeof time, "%lld.%02lld", hundredths / 100, hundredths % 100);
    return "frame=" + std::to_string(sample.frame) + " time=" + time +
           " bitrate=" + sample.bitrate + "\r";
}

} // namespace transcast
