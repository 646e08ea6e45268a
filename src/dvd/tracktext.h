#pragma once

#include <string>

#include "titleset.h"

// The words the lists and the command line show for a title set's tracks.
// Only views and fixed output lines call these; every decision reads the
// numbers of the track itself.
namespace transcast::dvd
{

// "English", from the ISO 639-1 code; the code itself for a language the
// table lacks; "Unknown" when there is none.
std::string languageText(const std::string& code);

// "0x80": a stream id as the locator and the track lists write it.
std::string streamIdText(int streamId);

// "English AC3 2ch (0x80)": language, coding, channels, stream id.
std::string audioText(const AudioTrack& track);

// "English (0x20)": language and stream id.
std::string subtitleText(const SubtitleTrack& track);

// "MPEG-2 720x576 PAL 4:3": coding, frame size, video standard, aspect.
std::string videoText(const VideoTrack& track);

} // namespace transcast::dvd
