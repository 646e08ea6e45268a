#pragma once

#include <string>
#include <string_view>
#include <vector>

// ffmpeg's -progress output is a series of key=value blocks, each ended by a
// "progress=continue" or "progress=end" line. The app reads single lines
// "frame=N time=S.ss bitrate=B" ended by a carriage return and takes the whole
// seconds before the "." of the time, so the time must be plain seconds.
namespace transcast
{

// One progress block, reduced to what the progress line shows.
struct ProgressSample {
    long long frame = 0;         // frames written; audio-only outputs have none
    long long outTimeUs = -1;    // output time in microseconds; -1 unknown
    std::string bitrate = "N/A"; // as ffmpeg writes it, e.g. "687.9kbits/s"
    bool end = false;            // the last block of the job
};

class ProgressTranslator
{
public:
    // Takes the next bytes read from the progress pipe, in pieces of any size,
    // and returns the blocks completed by them, in order. An unfinished line
    // waits for the next call.
    std::vector<ProgressSample> feed(std::string_view data);

private:
    void takeLine(std::string_view line, std::vector<ProgressSample>& completed);

    std::string m_pending;
    ProgressSample m_current;
};

// "frame=N time=S.ss bitrate=B\r": S in seconds truncated to hundredths, 0.00
// when the time is unknown or negative (ffmpeg reports both before the first
// packet is written).
std::string formatProgressLine(const ProgressSample& sample);

} // namespace transcast
