#pragma once

#include <string>

#include "probereport.h"

namespace transcast
{

// Reads a media file with libavformat, in this process, and gathers what the
// report shows. Returns false and the reason (libav's own text, such as
// "Invalid data found when processing input") when the file cannot be read.
// libav's log is silenced meanwhile: its warnings would land in the same
// stream as the report, ahead of it.
bool probeMedia(const std::string& path, MediaSummary& media, std::string& reason);

// The first stream a video profile can convert: a video stream, cover art
// not counted (the report does not list it as video); null when none.
const StreamSummary* firstMovingPicture(const MediaSummary& media);

// Which demuxer reads the file at `path`, told from its first bytes alone
// (no demuxer runs): its short name ("mov", "matroska"), for ffmpeg's -f.
// False with the reason when the file may not be read as a source (see
// refusalOfFormat: "It is a playlist, not a video"), and when its format
// cannot be told (`refused` then stays false: the reader's own error says
// more).
bool sourceFormat(const std::string& path, std::string& name, std::string& reason, bool& refused);

// Loads libavformat and its libraries now rather than at the first probe;
// false with the loader's reason when they cannot be loaded.
bool loadMediaLibraries(std::string& reason);

} // namespace transcast
