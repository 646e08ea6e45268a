#pragma once

#include <string>
#include <string_view>

#include <sys/types.h>

#include "invocation.h"
#include "outputclaim.h"

namespace transcast
{

// Runs a conversion through ffmpeg and prints its progress as the app reads
// it, one "frame=N time=S.ss bitrate=B" line per half second, each ended by a
// carriage return; ffmpeg's own messages go straight to our standard error.
// ffmpeg writes only into `output`, which is claimed first (see OutputClaim:
// a name another file holds fails the job, "-y" or not); the caller keeps it
// to remove the file should it find the job failed after all. A failed job
// removes its file; a stopped one keeps what was written, unless nothing was.
// Returns ffmpeg's exit status, 1 when the output cannot be claimed, or 127
// when ffmpeg cannot be started (after saying why on standard error). When
// inputFd is not -1, ffmpeg's standard input is that descriptor (a DVD title
// we pipe to it); it stays ours to close.
int runConversion(const Invocation& invocation, OutputClaim& output, int inputFd = -1);

// The same for an ".amr" output: ffmpeg decodes the sound to 8000 Hz mono
// PCM on a pipe and we encode it to AMR-NB at the mode nearest the requested
// "-ab". Returns ffmpeg's status when it fails, 1 when the output cannot be
// written (the reason on standard error), 0 on success. A failed job leaves
// no output file. inputFd as for runConversion.
int runAmrConversion(const Invocation& invocation, OutputClaim& output, int inputFd = -1);

// Reads what is there, retrying when a signal interrupts; 0 at the end of
// data, -1 on an error.
ssize_t readSome(int fd, char* buffer, size_t size);

// Writes all of the text to the descriptor, retrying short writes.
bool writeAll(int fd, std::string_view text);

// Prints "register.dat: message" and a line end on standard error.
void reportError(const std::string& message);

} // namespace transcast
