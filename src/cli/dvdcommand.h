#pragma once

namespace transcast
{

class CliSession;
struct CliOptions;

// transcast-cli dvd: reads a disc as the DVD edition's window does and
// prints one line per row the job list gets (number from 1, caption as the
// window shows it, frame size, time, estimated size, status), then each
// title set's line (its rows and the disc's own numbers of its titles) with
// its audio and subtitle tracks, the numbers --audio-track and
// --subtitle-track take and the stream ids the encoder gets.
class DvdCommand
{
public:
    // Returns the exit status: 1 when no disc or no valid IFO file was found,
    // or when a title set lists fewer titles than the disc names in it.
    static int run(CliSession& session, const CliOptions& options);
};

} // namespace transcast
