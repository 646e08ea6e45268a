#include "titlereader.h"

#include <algorithm>
#include <cstring>

#include <dvdread/dvd_reader.h>

#include "discreader.h"

namespace transcast::dvd
{

namespace
{

constexpr std::int64_t cacheSectors = 512; // 1 MiB

} // namespace

void TitleReader::FileCloser::operator()(dvd_file_s* file) const
{
    DVDCloseFile(file);
}

TitleReader::TitleReader() = default;

TitleReader::~TitleReader()
{
    m_file.reset(); // before its disc
}

bool TitleReader::open(const DvdLocator& locator)
{
    m_file.reset();
    m_disc = std::make_unique<DiscReader>();
    m_locator = locator;
    m_titleSetSectors = 0;
    m_cacheFirst = -1;
    m_cacheSectors = 0;
    m_error.clear();
    if (!m_disc->open(locator.root)) {
        m_error = m_disc->error();
        return false;
    }
    const std::string titleSet = std::to_string(locator.titleSet);
    m_file.reset(DVDOpenFile(m_disc->handle(), locator.titleSet, DVD_READ_TITLE_VOBS));
    if (!m_file) {
        m_error = "the DVD " + locator.root + " has no title set " + titleSet;
        return false;
    }
    m_titleSetSectors = DVDFileSize(m_file.get());
    if (m_titleSetSectors <= 0) {
        m_error = "title set " + titleSet + " of the DVD " + locator.root + " is empty";
        return false;
    }
    if (locator.startPos < 0 || locator.endPos < locator.startPos ||
        locator.endPos >= m_titleSetSectors) {
        m_error = "sectors " + std::to_string(locator.startPos) + " to " +
                  std::to_string(locator.endPos) + " lie outside title set " + titleSet +
                  " of the DVD " + locator.root + ", which has sectors 0 to " +
                  std::to_string(m_titleSetSectors - 1);
        m_file.reset();
        return false;
    }
    return true;
}

std::int64_t TitleReader::size() const
{
    if (!m_file)
        return 0;
    return (static_cast<std::int64_t>(m_locator.endPos) - m_locator.startPos + 1) * SectorSize;
}

bool TitleReader::fill(std::int64_t sector)
{
    const std::int64_t streamSectors = size() / SectorSize;
    const std::int64_t count = std::min(cacheSectors, streamSectors - sector);
    m_cache.resize(static_cast<size_t>(count) * SectorSize);
    const ssize_t got = DVDReadBlocks(m_file.get(), static_cast<int>(m_locator.startPos + sector),
                                      static_cast<size_t>(count), m_cache.data());
    if (got <= 0) {
        m_cacheFirst = -1;
        m_cacheSectors = 0;
        m_error = "cannot read sector " + std::to_string(m_locator.startPos + sector) +
                  " of title set " + std::to_string(m_locator.titleSet) + " of the DVD " +
                  m_locator.root;
        const std::string reason = m_disc->lastLibraryError();
        if (!reason.empty())
            m_error += ": " + reason;
        return false;
    }
    m_cacheFirst = sector;
    m_cacheSectors = got;
    return true;
}

std::int64_t TitleReader::read(std::int64_t offset, char* buffer, std::int64_t length)
{
    if (!m_file || offset < 0 || length <= 0)
        return m_file ? 0 : -1;
    const std::int64_t end = std::min(size(), offset + length);
    std::int64_t done = 0;
    while (offset + done < end) {
        const std::int64_t at = offset + done;
        const std::int64_t sector = at / SectorSize;
        if (m_cacheFirst < 0 || sector < m_cacheFirst || sector >= m_cacheFirst + m_cacheSectors) {
            if (!fill(sector))
                return done > 0 ? done : -1;
        }
        const std::int64_t cacheOffset = at - m_cacheFirst * SectorSize;
        const std::int64_t available = m_cacheSectors * SectorSize - cacheOffset;
        const std::int64_t take = std::min(available, end - at);
        std::memcpy(buffer + done, m_cache.data() + cacheOffset, static_cast<size_t>(take));
        done += take;
    }
    return done;
}

bool TitleReader::readSector(std::int64_t index, unsigned char* sector)
{
    if (!m_file || index < 0 || index >= size() / SectorSize)
        return false;
    return DVDReadBlocks(m_file.get(), static_cast<int>(m_locator.startPos + index), 1, sector) ==
           1;
}

} // namespace transcast::dvd
