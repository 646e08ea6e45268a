#include "continuoustitlereader.h"

#include <algorithm>
#include <cstring>

#include "packtimestamps.h"

namespace transcast::dvd
{

namespace
{
constexpr std::int64_t bufferSectors = 64;
} // namespace

bool ContinuousTitleReader::open(const DvdLocator& locator)
{
    m_vobus.clear();
    m_walkEnded = false;
    m_bufferFirst = -1;
    m_bufferSectors = 0;
    return m_reader.open(locator);
}

void ContinuousTitleReader::learnUpTo(std::int64_t sector)
{
    const std::int64_t sectors = size() / SectorSize;
    unsigned char nav[SectorSize];
    while (!m_walkEnded && (m_vobus.empty() || m_vobus.back().last < sector)) {
        const std::int64_t next = m_vobus.empty() ? 0 : m_vobus.back().last + 1;
        std::optional<NavigationTimes> times;
        if (next < sectors && m_reader.readSector(next, nav))
            times = readNavigationPack(nav);
        if (!times) {
            m_walkEnded = true;
            break;
        }
        Vobu vobu;
        vobu.first = next;
        vobu.last = std::min(sectors - 1, next + std::max<std::int64_t>(0, times->lastSector));
        vobu.endTime = times->endTime;
        vobu.shift = m_vobus.empty() ? FirstPictureTime - times->startTime
                                     : m_vobus.back().shift + m_vobus.back().endTime -
                                           std::int64_t(times->startTime);
        m_vobus.push_back(vobu);
    }
}

std::int64_t ContinuousTitleReader::shiftAt(std::int64_t sector)
{
    learnUpTo(sector);
    const auto after =
        std::upper_bound(m_vobus.begin(), m_vobus.end(), sector,
                         [](std::int64_t value, const Vobu& vobu) { return value < vobu.first; });
    if (after == m_vobus.begin())
        return 0;
    // Beyond the last VOBU the walk found, its shift still holds best.
    return std::prev(after)->shift;
}

bool ContinuousTitleReader::fill(std::int64_t sector)
{
    const std::int64_t count = std::min(bufferSectors, size() / SectorSize - sector);
    m_buffer.resize(static_cast<size_t>(std::max<std::int64_t>(count, 0)) * SectorSize);
    const std::int64_t got =
        count > 0 ? m_reader.read(sector * SectorSize, reinterpret_cast<char*>(m_buffer.data()),
                                  count * SectorSize)
                  : 0;
    if (got < SectorSize) {
        m_bufferFirst = -1;
        m_bufferSectors = 0;
        return false;
    }
    m_bufferFirst = sector;
    m_bufferSectors = got / SectorSize;
    for (std::int64_t i = 0; i < m_bufferSectors; ++i)
        shiftPackTimestamps(m_buffer.data() + i * SectorSize, shiftAt(sector + i));
    return true;
}

std::int64_t ContinuousTitleReader::read(std::int64_t offset, char* buffer, std::int64_t length)
{
    if (offset < 0 || length <= 0)
        return 0;
    const std::int64_t end = std::min(size(), offset + length);
    std::int64_t done = 0;
    while (offset + done < end) {
        const std::int64_t at = offset + done;
        const std::int64_t sector = at / SectorSize;
        if (m_bufferFirst < 0 || sector < m_bufferFirst ||
            sector >= m_bufferFirst + m_bufferSectors) {
            if (!fill(sector))
                return done > 0 ? done : -1;
        }
        const std::int64_t from = at - m_bufferFirst * SectorSize;
        const std::int64_t take = std::min(m_bufferSectors * SectorSize - from, end - at);
        std::memcpy(buffer + done, m_buffer.data() + from, static_cast<size_t>(take));
        done += take;
    }
    return done;
}

} // namespace transcast::dvd
