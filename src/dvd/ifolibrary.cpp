#include "ifolibrary.h"

#include <algorithm>

namespace transcast::dvd
{

std::int64_t playingMilliseconds(std::int64_t wholeSeconds, std::uint8_t frameByte)
{
    const int rate = frameByte >> 6;
    const int frames = ((frameByte >> 4) & 0x03) * 10 + (frameByte & 0x0F);
    std::int64_t milliseconds = wholeSeconds * 1000;
    if (rate == 1) // 25 fps: 40 ms a frame
        milliseconds += std::min(frames, 24) * 40;
    else if (rate == 3) // 29.97 fps: 1001/30 ms a frame
        milliseconds += (std::min(frames, 29) * 1001 + 29) / 30;
    return milliseconds;
}

std::string streamIdOf(const std::string& description)
{
    const size_t close = description.find(')');
    if (close == std::string::npos || close < 4)
        return "0";
    return description.substr(close - 4, 4);
}

std::string frameSizeWord(const std::string& videoDescription)
{
    const size_t first = videoDescription.find(' ');
    if (first == std::string::npos)
        return {};
    const size_t second = videoDescription.find(' ', first + 1);
    return videoDescription.substr(first + 1, second == std::string::npos ? std::string::npos
                                                                          : second - first - 1);
}

} // namespace transcast::dvd
