#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dvdlocator.h"
#include "titlereader.h"

namespace transcast::dvd
{

// A locator's sectors as TitleReader reads them, with the presentation times
// moved so that the stream runs on the title's own clock: from a tenth of a
// second at its first picture, without a break, to its end. Many discs
// (dvdauthor's among them) start each cell's clock again at zero, so a
// player would otherwise count every cell from zero and never reach the
// title's length.
//
// Each VOBU's shift follows from the navigation packs: a VOBU whose start
// time is not the previous VOBU's end time continues from there. They are
// learnt as the stream is read from the front; a read further on first walks
// the navigation packs up to there, one sector per VOBU. A stretch that does
// not start with a navigation pack keeps its times, as does everything after
// a VOBU without one. One thread at a time.
class ContinuousTitleReader
{
public:
    // Where the first picture lies on the stream's clock, in 90 kHz ticks:
    // just after zero, so that sound starting a little earlier stays on it.
    static constexpr std::int64_t FirstPictureTime = 9000;

    // As TitleReader::open.
    bool open(const DvdLocator& locator);
    std::int64_t size() const { return m_reader.size(); }
    // As TitleReader::read, the times moved.
    std::int64_t read(std::int64_t offset, char* buffer, std::int64_t length);
    const std::string& error() const { return m_reader.error(); }

private:
    struct Vobu {
        std::int64_t first = 0; // stream sectors, inclusive
        std::int64_t last = 0;
        std::int64_t shift = 0; // 90 kHz ticks
        std::uint32_t endTime = 0;
    };
    std::int64_t shiftAt(std::int64_t sector);
    void learnUpTo(std::int64_t sector);
    bool fill(std::int64_t sector);

    TitleReader m_reader;
    std::vector<Vobu> m_vobus;
    bool m_walkEnded = false;
    // Whole sectors, their times moved, around the last read.
    std::vector<unsigned char> m_buffer;
    std::int64_t m_bufferFirst = -1;
    std::int64_t m_bufferSectors = 0;
};

} // namespace transcast::dvd
