#pragma once

#include <optional>
#include <string>
#include <vector>

#include "invocation.h"

// The picture keeps its shape. The app asks for a frame ("-s WxH" shown at
// "-aspect R", or the frame a disc "-target" implies) whatever the source's
// shape: ffmpeg alone would stretch a 16:9 picture over a 4:3 frame, and a
// round face would come out as an egg. register.dat has ffmpeg scale the
// picture to fit inside the frame and fill the rest with black bars
// (letterbox above and below, pillarbox left and right). Shapes that agree
// within 2 % are scaled to the frame as before: bars of a pixel or two would
// only look like a fault.
//
// The source's shape is the decoded picture's own (its size, its sample
// aspect ratio, a rotation ffmpeg applies first), read by ffmpeg's filter
// when the job starts: no probe of ours delays the job, and a DVD title's
// shape comes from its own stream as a player sees it.
//
// DVD and SVCD players are told the picture's shape by a flag (4:3 or 16:9)
// rather than by square pixels: for those targets the frame takes the flag
// nearest the source, so a 16:9 title stays anamorphic 16:9 without bars and
// only shapes between or beyond the two flags get bars. Video CD players know
// only 4:3.
namespace transcast
{

// A rational display aspect, width over height (16:9), or 0/0 when unknown.
struct Aspect {
    long long num = 0;
    long long den = 0;
    bool known() const { return num > 0 && den > 0; }
};

// The frame the options ask for: its size in pixels and the shape it is shown
// at, or (`flagged`) the 4:3 or 16:9 flag nearest the source; with
// `wideFlag` false only 4:3.
struct Frame {
    int width = 0;
    int height = 0;
    Aspect aspect;
    bool flagged = false;
    bool wideFlag = false;
};

// Reads an aspect as ffmpeg's "-aspect" takes it: "16:9", "1.7778" or
// "1,7778". A decimal that lies within 0.1 % of a ratio with a denominator up
// to 1000 becomes that ratio (1.3333 is 4:3). Unknown when unreadable.
Aspect parseAspect(const std::string& text);

// The frame the output options (the input and its value excluded) ask for,
// the last "-s", "-aspect" and "-target" counting as ffmpeg counts them;
// nothing when they ask for none (the source's own size is kept).
std::optional<Frame> requestedFrame(const std::vector<std::string>& options);

// The ffmpeg filter chain that fits the picture into `frame`: a scale whose
// size ffmpeg works out from the picture's display aspect ("dar"), a black
// pad to the frame and, for a frame of a given shape, its pixels' shape.
// With `fields`, an interlaced picture is scaled field by field.
std::string fitFilter(const Frame& frame, bool fields = false);

// Adds the picture's filters to a conversion's ffmpeg arguments (global
// options, input and output options, output path not included): the plan's
// lead filters (see motion.h), the output's frame rate (see pacing.h), the
// fitting filter, then the plan's tail; after a "-vf" or inside the
// "-filter_complex" chain that feeds the mapped video, else as a "-vf" of its
// own; and the plan's output options at the end. Leaves them as they are when
// nothing is asked for, or the picture is dropped ("-vn") or copied.
void addPictureFilters(std::vector<std::string>& arguments, const PicturePlan& plan = {});

} // namespace transcast
