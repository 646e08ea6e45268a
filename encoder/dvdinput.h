#pragma once

#include <string>
#include <vector>

#include "invocation.h"

namespace transcast
{

// A conversion whose input is a DVD locator ("vts://NN*start*end*audio*sub*/
// root"): the locator's sectors are read through libdvdread and piped into
// ffmpeg's standard input as an MPEG program stream. ffmpeg keeps the video,
// the audio track with the locator's id (the title's first when the id is "0"
// or missing; none when the title has no sound) and, when the subtitle id is
// not "0", burns that subtitle into the picture. Every other option of the
// app's command line applies as for a file. Returns ffmpeg's status, or 1 with
// the reason on standard error when the locator is malformed, names sectors
// outside its title set, or the disc cannot be read.
int runDvdConversion(const Invocation& invocation);

// What register.dat found in the first stretch of a title, and what it asks
// ffmpeg for; pure, so the tests can check the choices.
struct DvdStreamChoice {
    std::vector<std::string> arguments; // ffmpeg's stream selection, after the input
    std::vector<std::string> warnings;  // for standard error
};

// audioId/subtitleId as in the locator; audio/subtitles: the ids seen;
// keepVideo/keepAudio: false when the caller's options drop them (-vn, -an).
DvdStreamChoice chooseDvdStreams(const std::string& audioId, const std::string& subtitleId,
                                 const std::vector<int>& audio, const std::vector<int>& subtitles,
                                 bool keepVideo, bool keepAudio);

// The app's arguments with the locator replaced by ffmpeg's standard input,
// read as an MPEG program stream, and `selection` placed after it.
std::vector<std::string> dvdArguments(const std::vector<std::string>& arguments,
                                      const std::vector<std::string>& selection);

} // namespace transcast
