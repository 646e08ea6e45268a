#pragma once

#include <string>

namespace transcast
{

// A source the user names is read as itself and nothing else. Some of
// libavformat's demuxers open further files or addresses because of what
// the file says: a playlist's segments, a concat list's files, a streaming
// manifest's parts, a stream description's network ports. A source is never
// read through one of them, whatever its name claims, in the probe, the
// conversion, the still picture and the preview alike.
//
// Why a source that libavformat reads as `format` (its name as libavformat
// gives it: "hls", "mov,mp4,m4a,3gp,3g2,mj2") is refused, to follow "is":
// "a playlist, not a video"; empty when it may be read.
std::string refusalOfFormat(const std::string& format);

// Options every opening of a named source passes to libavformat, as
// "name=value" pairs: local files only, and an image read as itself, never
// as the first of a numbered sequence.
const char* const* selfContainedOptions();

} // namespace transcast
