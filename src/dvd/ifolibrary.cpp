#include "ifolibrary.h"

namespace transcast::dvd
{

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
