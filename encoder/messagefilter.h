#pragma once

#include <string>
#include <string_view>

namespace transcast
{

// Passes ffmpeg's messages on, line by line. ffmpeg runs with its log level
// written before each message ("[error] ..."), which lets us find the message
// that says why a job failed; the tag itself is taken off again. Left out:
// - ffmpeg's own statistics lines ("frame=  251 fps=0.0 ... time=00:00:10.03
//   bitrate= 448.7kbits/s ..."): ffmpeg writes one at the end even with
//   -nostats, just before our last progress line, and its clock form would
//   make the app skip our line;
// - the notice about the statistics period we set ourselves.
// No passed line holds "time=": the app takes the first "time=" it reads for
// progress, and a source's title tag may hold "time=55.00 bitrate=1". Such
// text reads "time =" instead.
class MessageFilter
{
public:
    // Takes the next bytes of ffmpeg's standard error and returns the
    // complete lines (ended by LF or CR) to pass on, line ends included.
    std::string feed(std::string_view data);

    // The unfinished last line, once the stream has ended.
    std::string finish();

    // The first message logged at error level or worse, without its line
    // end, its level and the object's address: "libx264: width not
    // divisible by 2 (321x241)". Empty when there was none.
    const std::string& firstError() const { return m_firstError; }

private:
    std::string pass(std::string_view line);

    std::string m_pending;
    std::string m_firstError;
};

// True for a statistics line of ffmpeg: it starts (after blanks) with
// "frame=" or "size=" and holds "time=" and "bitrate=".
bool isStatisticsLine(std::string_view line);

// The log-level option that makes ffmpeg tag its messages for the filter.
inline constexpr const char* kTaggedLogLevel = "level+info";

} // namespace transcast
