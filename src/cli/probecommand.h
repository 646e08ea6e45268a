#pragma once

namespace transcast
{

class CliSession;
struct CliOptions;

// transcast-cli probe: lists the sources and prints, per source, the row it
// got (caption, frame size, time, estimated output size under the chosen
// profile and choices) and its record's bitrates, or that it was skipped
// and why; "estimate" is the bitrate behind the output size. Fields are
// separated by tabs:
//   one  640x480  00:00:02  0.39MB  video 1200 kb/s  audio 128 kb/s  estimate 1628 kb/s
//   /src/one.avi notes.txt  skipped  /src/notes.txt: Invalid data found when processing input
class ProbeCommand
{
public:
    // Returns the exit status: 1 when a source was skipped.
    static int run(CliSession& session, const CliOptions& options);
};

} // namespace transcast
