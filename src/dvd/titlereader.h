#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dvdlocator.h"

struct dvd_file_s;

namespace transcast::dvd
{

class DiscReader;

constexpr int SectorSize = 2048;

// The sectors a locator names, startPos to endPos inclusive of the title set's
// title VOBs (VTS_nn_1.VOB onwards, read as one), as one byte stream of MPEG
// program stream. register.dat pipes it into ffmpeg; the preview plays it.
// One thread at a time.
class TitleReader
{
public:
    TitleReader();
    ~TitleReader();
    TitleReader(const TitleReader&) = delete;
    TitleReader& operator=(const TitleReader&) = delete;

    // False, with error() saying why, when the disc root cannot be opened,
    // the title set has no title VOBs, or the positions lie outside them.
    bool open(const DvdLocator& locator);

    // The title set's title VOBs in sectors (0 before open()).
    std::int64_t titleSetSectors() const { return m_titleSetSectors; }
    // The stream's length in bytes: (endPos - startPos + 1) * SectorSize.
    std::int64_t size() const;

    // Reads up to length bytes from byte offset of the stream. Returns the
    // number read, 0 at or past the end, -1 on a read error (error() says
    // why).
    std::int64_t read(std::int64_t offset, char* buffer, std::int64_t length);

    // Reads one sector of the stream (0 = the locator's first) into
    // `sector` (SectorSize bytes) straight from the disc, leaving the
    // read-ahead of read() as it is. False at or past the end or on a read
    // error.
    bool readSector(std::int64_t index, unsigned char* sector);

    const std::string& error() const { return m_error; }

private:
    struct FileCloser {
        void operator()(dvd_file_s* file) const;
    };
    bool fill(std::int64_t sector);

    std::unique_ptr<DiscReader> m_disc;
    std::unique_ptr<dvd_file_s, FileCloser> m_file;
    DvdLocator m_locator;
    std::int64_t m_titleSetSectors = 0;
    // A run of sectors read ahead: libdvdread reads best in large blocks.
    std::vector<unsigned char> m_cache;
    std::int64_t m_cacheFirst = -1; // stream sector of m_cache's first byte
    std::int64_t m_cacheSectors = 0;
    std::string m_error;
};

} // namespace transcast::dvd
