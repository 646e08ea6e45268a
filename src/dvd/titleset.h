#pragma once

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

// A title set as the title discovery, the preview and the locators use it:
// its titles (program chains) with their chapters and cells, and its tracks,
// all as numbers. Read once from the description register.dat sends
// (titlesetinfo.h); text for a view is made from it by tracktext.h.
namespace transcast::dvd
{

// The exact length of a DVD playing time in milliseconds, rounded up: whole
// seconds and the disc's frame byte, whose bits 7-6 give the frame rate (1:
// 25 fps, 3: 29.97 fps) and bits 5-0 the frames in BCD. A frame byte of an
// unknown rate adds nothing. Never a whole second more than wholeSeconds.
std::int64_t playingMilliseconds(std::int64_t wholeSeconds, std::uint8_t frameByte);

// A stretch of a title's VOBs. The sectors count from the start of the title
// set's first title VOB (VTS_nn_1.VOB), first and last both inclusive: the
// scale the DVD locator takes.
struct Cell {
    std::int32_t firstSector = 0;
    std::int32_t lastSector = 0;
    std::int64_t milliseconds = 0; // its own playing time, frames included

    std::int64_t wholeSeconds() const { return milliseconds / 1000; }
};

// A program of a title, the chapter a player skips to: cells firstCell to
// lastCell (indexes into Title::cells, both inclusive).
struct Chapter {
    int firstCell = 0;
    int lastCell = 0;
};

// A program chain. A title the table names without a program chain has no
// time, no cells and no chapters; one whose program map is inconsistent has
// its cells but no chapters.
struct Title {
    std::int64_t milliseconds = 0; // frames included
    std::vector<Cell> cells;
    std::vector<Chapter> chapters;
    // The number a player's title menu and remote give it (1..99), from the
    // disc's title table; 0 when the table names none for it.
    int discTitle = 0;

    std::int64_t wholeSeconds() const { return milliseconds / 1000; }
};

enum class AudioCoding { Ac3, Mpeg1, Mpeg2, Lpcm, Sdds, Dts, Unknown };

struct AudioTrack {
    // The MPEG-PS id its packets carry: AC3 0x80.., DTS 0x88.., LPCM 0xA0..,
    // MPEG audio 0xC0.. (SDDS and unknown codings count as AC3).
    int streamId = 0x80;
    std::string language; // ISO 639-1 ("en"); empty when the disc names none
    AudioCoding coding = AudioCoding::Ac3;
    int channels = 2;
};

struct SubtitleTrack {
    // 0x20..: the stream that matches the picture's shape (4:3, or the wide
    // stream of a 16:9 title set).
    int streamId = 0x20;
    std::string language;
};

enum class VideoCoding { Mpeg1, Mpeg2 };
enum class VideoStandard { Ntsc, Pal };
enum class DisplayAspect { FourThree, SixteenNine };

struct VideoTrack {
    VideoCoding coding = VideoCoding::Mpeg2;
    int width = 720;
    int height = 576;
    VideoStandard standard = VideoStandard::Pal;
    DisplayAspect aspect = DisplayAspect::FourThree;
};

struct TitleSet {
    // As many sectors as a title set can hold: its VOBs are all there.
    static constexpr std::int32_t kAllSectors = INT32_MAX;

    VideoTrack video;
    std::vector<AudioTrack> audio;
    std::vector<SubtitleTrack> subtitles;
    std::vector<Title> titles;
    // How many of the title VOBs' sectors the image or folder really holds,
    // from sector 0 on: an image cut short (an interrupted copy) still lists
    // its cells past the cut, which no reader can give.
    std::int32_t heldSectors = kAllSectors;
    // How many titles the disc's title table (VIDEO_TS.IFO) names in this
    // title set; 0 when it names none or cannot be read.
    int namedTitles = 0;

    // The titles that have cells to play.
    int playableTitles() const;
};

// Field by field: two readings of one title set agree.
bool operator==(const Cell& a, const Cell& b);
bool operator==(const Chapter& a, const Chapter& b);
bool operator==(const Title& a, const Title& b);
bool operator==(const AudioTrack& a, const AudioTrack& b);
bool operator==(const SubtitleTrack& a, const SubtitleTrack& b);
bool operator==(const VideoTrack& a, const VideoTrack& b);
bool operator==(const TitleSet& a, const TitleSet& b);

} // namespace transcast::dvd
