#pragma once

#include <cstdint>
#include <string>

// What the title discovery reads from a title set's IFO file: its titles
// (program chains) with their playing time and cells, and the descriptions of
// its audio, subtitle and video streams.
namespace transcast::dvd
{

// The exact length of a DVD playing time in milliseconds, rounded up: whole
// seconds and the disc's frame byte, whose bits 7-6 give the frame rate (1:
// 25 fps, 3: 29.97 fps) and bits 5-0 the frames in BCD. A frame byte of an
// unknown rate adds nothing.
std::int64_t playingMilliseconds(std::int64_t wholeSeconds, std::uint8_t frameByte);

// A title's playing time: hours, minutes and seconds in ordinary numbers (the
// disc stores them as BCD); the frame byte as the disc stores it.
struct TitleTime {
    std::uint8_t hours = 0;
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
    std::uint8_t frames = 0;

    std::int64_t totalSeconds() const { return hours * 3600 + minutes * 60 + seconds; }
    std::int64_t totalMilliseconds() const { return playingMilliseconds(totalSeconds(), frames); }
};
static_assert(sizeof(TitleTime) == 4, "a title time is four bytes");

// One cell of a title as a packed 17-byte record. The positions are sector
// numbers counted from the start of the title set's first title VOB
// (VTS_nn_1.VOB), first and last both inclusive: the scale the DVD locator
// takes, so a cell's sectors are startPos..endPos.
#pragma pack(push, 1)
struct CellRecord {
    std::int32_t startPos = 0;
    std::int32_t endPos = 0;
    std::uint8_t unused1[5] = {};
    std::uint8_t hours = 0;
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
    std::uint8_t frames = 0; // the frame byte, as in TitleTime

    std::int64_t totalSeconds() const { return hours * 3600 + minutes * 60 + seconds; }
    std::int64_t totalMilliseconds() const { return playingMilliseconds(totalSeconds(), frames); }
};
#pragma pack(pop)
static_assert(sizeof(CellRecord) == 17, "a cell record is seventeen bytes");

// The nine operations the title discovery calls, in this order for each IFO
// file: ifoOpen, ifoGetNumPGCI, ifoGetNumAudio, ifoGetAudioDesc,
// ifoGetNumSubPic, ifoGetSubPicDesc, then per title ifoGetPGCIInfo and
// ifoGetPGCICells, and ifoGetVideoDesc per row. Handles are non-zero; 0 means
// failure. A bad handle or index gives 0 or an empty text, never a crash.
// Abstract so that tests can stand in for title sets no authoring tool makes.
// An instance belongs to one thread.
class IfoLibrary
{
public:
    virtual ~IfoLibrary() = default;

    // Opens a title set's IFO file, e.g. "/media/disc/VIDEO_TS/VTS_01_0.IFO".
    // The file may lie inside an .iso image: "/home/me/film.iso/VIDEO_TS/
    // VTS_01_0.IFO". The second argument is unused (pass 0). Returns 0 when
    // the file cannot be read as a title set: missing, truncated, corrupt,
    // VIDEO_TS.IFO, or not named VTS_nn_0.IFO.
    virtual std::int32_t ifoOpen(const std::string& path, std::int32_t unused = 0) = 0;

    // Number of titles (program chains), numbered from 0.
    virtual std::int32_t ifoGetNumPGCI(std::int32_t handle) = 0;

    virtual std::int32_t ifoGetNumAudio(std::int32_t handle) = 0;
    // "English AC3 2ch (0x80)": language, coding, channels, stream id.
    virtual std::string ifoGetAudioDesc(std::int32_t handle, std::int32_t index) = 0;

    virtual std::int32_t ifoGetNumSubPic(std::int32_t handle) = 0;
    // "English (0x20)": language and stream id.
    virtual std::string ifoGetSubPicDesc(std::int32_t handle, std::int32_t index) = 0;

    // Number of cells of the title; fills *time (when not null) with the
    // title's playing time.
    virtual std::int32_t ifoGetPGCIInfo(std::int32_t handle, std::int32_t title,
                                        TitleTime* time) = 0;
    // Writes one record per cell of the title, at most capacity; returns how
    // many were written.
    virtual std::int32_t ifoGetPGCICells(std::int32_t handle, std::int32_t title, CellRecord* cells,
                                         std::int32_t capacity) = 0;

    // "MPEG-2 720x576 PAL 4:3": coding, frame size, video standard, aspect.
    virtual std::string ifoGetVideoDesc(std::int32_t handle) = 0;

    // Frees a handle before the library object goes (which frees them all).
    virtual void ifoClose(std::int32_t handle) = 0;

    // After an ifoOpen that gave 0: why nothing could be read when the
    // reason lies outside the disc (the program that reads it could not be
    // run, or answered nonsense), in words for the user; empty when the
    // title set itself is unreadable.
    virtual std::string readerProblem() const { return {}; }
};

// The stream id of an audio or subtitle description: the four characters just
// before its first ")" ("0x80"); "0" when it has no ")" or fewer than four
// characters before it.
std::string streamIdOf(const std::string& description);

// The frame size of a video description: the word between its first and second
// blank ("720x576"); empty when it has no blank.
std::string frameSizeWord(const std::string& videoDescription);

} // namespace transcast::dvd
