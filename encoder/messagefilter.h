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
//
// The messages that may say why a job failed (the first one at error level,
// the first one about writing the output) are held back, with every later
// repeat of the same words, and said once at the end by closingLines(): the
// app takes the last line it reads for the reason, and ffmpeg's own last
// lines are about closing down.
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

    // The first message at error level or worse that says the output could
    // not be written: "Error writing trailer of out.avi: No space left on
    // device". ffmpeg 5.1 still exits 0 after some of these.
    const std::string& writeError() const { return m_writeError; }

    // The held-back messages, each once and ended by a line feed: those that
    // are not `reason` first, then `reason` itself (when not empty), so that
    // the job's reason ends the output.
    std::string closingLines(const std::string& reason) const;

private:
    std::string pass(std::string_view line);

    std::string m_pending;
    std::string m_firstError;
    std::string m_writeError;
};

// True for a message of ffmpeg's that reports a failed write of its output
// (the muxer's calls, or a system error only writing gives).
bool isWriteFailure(std::string_view message);

// True for a statistics line of ffmpeg: it starts (after blanks) with
// "frame=" or "size=" and holds "time=" and "bitrate=".
bool isStatisticsLine(std::string_view line);

// The log-level option that makes ffmpeg tag its messages for the filter.
inline constexpr const char* kTaggedLogLevel = "level+info";

} // namespace transcast
