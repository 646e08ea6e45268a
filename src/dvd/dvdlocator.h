#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace transcast::dvd
{

// The input text that names a stretch of a DVD title set for the encoder and
// the preview: "vts://NN*StartPos*EndPos*audio*subtitle*/root".
//   NN        title set number, written with at least two digits
//   StartPos, EndPos
//             sector numbers as the IFO's cell records give them (counted
//             from the title set's first title VOB), both inclusive
//   audio     stream id of the audio track ("0x81"); "0" or empty: the first
//             audio track, whatever its id
//   subtitle  stream id of the subtitle track to burn in ("0x20"); "0" or
//             empty: none
//   root      everything after "*/": the disc folder (holding VIDEO_TS), the
//             VIDEO_TS folder itself, or an .iso image. An absolute path thus
//             reads "*//home/me/disc"; an empty root is "/".
struct DvdLocator {
    int titleSet = 0;
    std::int32_t startPos = 0;
    std::int32_t endPos = 0;
    // The ids as numbers (0x81); kNoStream where the text names none.
    static constexpr int kNoStream = -1;
    int audioId = kNoStream;
    int subtitleId = kNoStream;
    std::string root;

    bool hasAudioId() const { return audioId != kNoStream; }
    bool hasSubtitleId() const { return subtitleId != kNoStream; }
};

// Parses a locator. Returns nothing when the text is not one, with *error
// (when given) saying what is wrong. Checks the form only: title set 1..99,
// 0 <= StartPos <= EndPos, ids either "0", empty or "0x" and two hex digits.
// Whether the positions lie inside the title set is for the reader to say.
std::optional<DvdLocator> parseDvdLocator(const std::string& text, std::string* error = nullptr);

// The locator text, ids as "0x81" and none as "0";
// parseDvdLocator(formatDvdLocator(l)) gives l back for ids 0 to 0xFF.
std::string formatDvdLocator(const DvdLocator& locator);

// The disc root that holds an IFO file, as a locator names it: the folder
// above the IFO's VIDEO_TS folder (any case), else the IFO's own folder; for
// an IFO inside an image ("/a/film.iso/VIDEO_TS/VTS_01_0.IFO") the image.
// "/" when nothing precedes the VIDEO_TS folder.
std::string discRootOfIfoPath(const std::string& ifoPath);

// The title set number of an IFO file named VTS_nn_0.IFO (any case), else 0.
int titleSetOfIfoPath(const std::string& ifoPath);

} // namespace transcast::dvd
