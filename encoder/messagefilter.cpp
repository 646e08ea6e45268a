#include "messagefilter.h"

namespace transcast
{

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

std::string MessageFilter::feed(std::string_view data)
{
    m_pending.append(data);
    std::string passed;
    size_t start = 0;
    for (size_t end = m_pending.find_first_of("\r\n"); end != std::string::npos;
         end = m_pending.find_first_of("\r\n", start)) {
        const std::string_view line = std::string_view(m_pending).substr(start, end + 1 - start);
        if (!isStatisticsLine(line))
            passed.append(line);
        start = end + 1;
    }
    m_pending.erase(0, start);
    return passed;
}

std::string MessageFilter::finish()
{
    std::string rest;
    rest.swap(m_pending);
    return isStatisticsLine(rest) ? std::string() : rest;
}

} // namespace transcast
