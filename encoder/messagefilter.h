#pragma once

#include <string>
#include <string_view>

namespace transcast
{

// Passes ffmpeg's messages on, line by line, except its own statistics lines
// ("frame=  251 fps=0.0 ... time=00:00:10.03 bitrate= 448.7kbits/s ...").
// ffmpeg writes one of those at the end even with -nostats, just before our
// last progress line; the app reads the first "time=" of what it holds, and
// ffmpeg's clock form would make it skip our line.
class MessageFilter
{
public:
    // Takes the next bytes of ffmpeg's standard error and returns the
    // complete lines (ended by LF or CR) to pass on, line ends included.
    std::string feed(std::string_view data);

    // The unfinished last line, once the stream has ended.
    std::string finish();

private:
    std::string m_pending;
};

// True for a statistics line of ffmpeg: it starts (after blanks) with
// "frame=" or "size=" and holds "time=" and "bitrate=".
bool isStatisticsLine(std::string_view line);

} // namespace transcast
