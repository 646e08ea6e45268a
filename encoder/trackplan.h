#pragma once

#include <string>
#include <vector>

#include "invocation.h"
#include "probereport.h"

// A file's sound and subtitle streams in a conversion. The app names the
// chosen streams by their index in the file (as the probe's track lines
// give them) in the job's environment:
//   TRANSCAST_AUDIO_STREAM=K    the sound to convert (none: ffmpeg's choice,
//                               preferredSound)
//   TRANSCAST_BURN_SUBTITLE=K   the subtitle drawn into the picture (none:
//                               no subtitle is burnt)
// Text subtitles are kept as soft tracks where the output's container holds
// them and its players show them: Matroska takes each as it is (copied;
// mov_text, which it cannot hold, as SubRip), MP4, MOV and the iPod's MP4
// as mov_text, WebM as WebVTT (the one text form its muxer takes; ffmpeg's
// webvtt encoder takes every text decoder's events). The PSP's muxer
// refuses them; 3GP and the other containers get none. A burnt subtitle is
// not kept soft as well. Picture subtitles are never kept soft: the
// containers that take them differ in every case.
namespace transcast
{

// The descriptor ffmpeg reads a burnt text subtitle's source on.
constexpr int kBurnSourceFd = 5;

struct TrackChoice {
    int soundStream = -1;   // -1: none chosen
    int burntSubtitle = -1; // -1: none
};

// The choice the environment names; false with the reason when a value is
// no stream index.
bool trackChoiceFromEnvironment(TrackChoice& choice, std::string& error);

// The options that carry out the choice for a conversion of `media` (with
// `sourcePath` its path as our own process opens it) with these output
// options; `soundOnly` for outputs without a picture. False with the
// reason when a chosen stream is not a stream of that kind in the file.
// Leaves the plan empty when ffmpeg's own selection already does it all:
// nothing chosen and no subtitle to keep.
bool planTracks(const MediaSummary& media, const std::string& sourcePath,
                const std::vector<std::string>& outputOptions, bool soundOnly,
                const TrackChoice& choice, TrackPlan& plan, std::string& error);

// Whether a conversion should look at its source's streams: a choice was
// made that applies, or the output's picture comes with the text subtitles
// its container keeps.
bool tracksMatter(const std::vector<std::string>& outputOptions, bool soundOnly,
                  const TrackChoice& choice);

} // namespace transcast
