#pragma once

#include <cstdint>
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
// not "0", burns that subtitle into the picture in the colours of the title's
// IFO. The output starts with the stretch's first picture and its own sound
// (see StretchEdges). Every other option of the app's command line applies as
// for a file. Returns ffmpeg's status, or 1 with the reason on standard error
// when the locator is malformed, names sectors outside its title set, names a
// subtitle the title does not have, or the disc cannot be read.
int runDvdConversion(const Invocation& invocation);

// What register.dat asks ffmpeg for, from what it knows of the title; pure,
// so the tests can check the choices.
struct DvdStreamChoice {
    std::vector<std::string> inputOptions; // before the input: the subtitle's palette
    std::vector<std::string> arguments;    // ffmpeg's stream selection, after the input
    std::vector<std::string> warnings;     // for standard error
    int burnedSubtitle = 0;                // the subtitle stream burnt in, 0 for none
    std::string failure;                   // why the job cannot be done as asked
};

// audioId/subtitleId: the locator's (DvdLocator::kNoStream for none); audio: the ids seen at the
// start of the title; subtitles: the ids the title has; palette: its sixteen subtitle colours as
// 0xRRGGBB, empty when unknown; keepVideo/keepAudio: false when the caller's options drop them
// (-vn, -an). A subtitle to burn in that the title does not have is a failure: converting without
// it would lose it unseen.
DvdStreamChoice chooseDvdStreams(int audioId, int subtitleId, const std::vector<int>& audio,
                                 const std::vector<int>& subtitles, bool keepVideo, bool keepAudio,
                                 const std::vector<std::uint32_t>& palette = {});

// The app's arguments with the locator replaced by ffmpeg's standard input,
// read as an MPEG program stream with the choice's input options, and the
// choice's stream selection placed after it.
std::vector<std::string> dvdArguments(const std::vector<std::string>& arguments,
                                      const DvdStreamChoice& choice);

} // namespace transcast
