#pragma once

#include <string>
#include <vector>

#include "invocation.h"
#include "probereport.h"

// How the source's picture is made, and what the output needs done to it
// before it is scaled: deinterlacing, inverse telecine, cropping black bars,
// tone mapping HDR to SDR.
//
// An interlaced picture holds two fields taken 1/50 or 1/60 s apart; shown
// as one progressive frame, every moving edge is combed. Film on NTSC video
// is telecined: 4 film frames are spread over 10 fields (3:2 pulldown), so 2
// of every 5 frames weave two film frames together. Progressive output needs
// the first made whole by bwdif, and the second put back together by
// matching fields and dropping the repeated frame (fieldmatch, decimate).
//
// What a stream says of its fields is believed only where it is usually
// right: a stream that says it is progressive is, except MPEG-2, whose flags
// a telecined transfer or a capture often get wrong. A stream that says it is
// interlaced, and one that says nothing in a codec TV, discs, camcorders and
// capture cards write (H.264, VC-1, DV, MJPEG, ProRes, raw), is looked at:
// ffmpeg's idet over a few seconds at the start, middle and end tells
// interlaced from progressive, the field order, and telecine by its repeated
// fields. The look costs a second or two of decoding; a progressive phone or
// camera video, or a web or desktop format's, is never looked at and costs
// nothing.
//
// DVD and SVCD are interlaced formats: an interlaced source keeps its fields
// there (encoded as fields, scaled field by field) rather than losing half
// its motion. Telecined film is put back together for them too.
//
// The user's choices come as the environment the app starts us with:
// TRANSCAST_DEINTERLACE (automatic, always, never), TRANSCAST_FRAME_RATE
// (profile: the profile's rate; source: the source's, up to 60 fps and never
// above what the profile's device plays), TRANSCAST_CROP (automatic: black
// bars found by cropdetect are cut off; off).
namespace transcast
{

enum class Deinterlace { Automatic, Always, Never };
enum class FrameRateChoice { Profile, Source };

struct PictureChoices {
    Deinterlace deinterlace = Deinterlace::Automatic;
    FrameRateChoice frameRate = FrameRateChoice::Profile;
    bool cropBars = false;
};

// The choices the environment holds; an unknown value counts as the default.
PictureChoices pictureChoicesFromEnvironment();

// "deinterlace automatic, frame rate as the profile says, crop black bars off".
std::string describeChoices(const PictureChoices& choices);

// What idet and cropdetect saw over the looked-at stretches.
struct ScanCounts {
    long long topFirst = 0, bottomFirst = 0, progressive = 0, undetermined = 0;
    long long repeatedNone = 0, repeatedTop = 0, repeatedBottom = 0;
    // The smallest rectangle that held every stretch's picture, as cropdetect
    // gives it: width, height, left, top; width 0 when none was seen.
    int cropWidth = 0, cropHeight = 0, cropX = 0, cropY = 0;
    // Adds what one ffmpeg run printed (idet's summary, cropdetect's lines).
    void addLog(const std::string& log);
};

enum class Scan { Unknown, Progressive, Interlaced, Telecined };

struct Motion {
    Scan scan = Scan::Unknown;
    bool topFieldFirst = true;
    bool orderKnown = false;
};

// What the counts say, falling back on the stream's own field order when
// too little was seen to tell.
Motion classifyScan(const ScanCounts& counts, StreamSummary::FieldOrder streamOrder);

// Whether the stream must be looked at before the choices can be applied.
bool needsLook(const StreamSummary& video, const PictureChoices& choices);

// The plan for a source picture and the conversion's output options.
PicturePlan planPicture(const StreamSummary& video, const Motion& motion, const ScanCounts& counts,
                        const PictureChoices& choices, const std::vector<std::string>& options);

// The arguments of one look: ffmpeg reading `inputArguments` (input options
// and "-i URL") from `startSeconds` for `seconds`, through idet and, when
// asked, cropdetect, into nothing.
std::vector<std::string> lookArguments(const std::vector<std::string>& inputArguments,
                                       double startSeconds, double seconds, bool crop);

// Runs the looks over a file (start, middle and end of `durationUs`, or the
// whole of a short one) and adds what they saw. inputFd: when not -1, one
// look reads that descriptor as its standard input. False when ffmpeg
// could not be run.
bool lookAtSource(const std::vector<std::string>& inputArguments, long long durationUs, bool crop,
                  ScanCounts& counts, int inputFd = -1);

// Looks at the source where the choices need it (see needsLook) and plans
// its picture for the conversion's output options. inputArguments and
// inputFd as for lookAtSource. A look that cannot run leaves the stream's
// own word.
PicturePlan preparePicture(const StreamSummary& video, long long durationUs,
                           const std::vector<std::string>& inputArguments,
                           const std::vector<std::string>& options, int inputFd = -1);

} // namespace transcast
