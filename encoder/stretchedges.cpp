#include "stretchedges.h"

#include <cstring>

#include "pespacket.h"

namespace transcast
{

namespace
{

constexpr int systemHeader = 0xBB;

void writePts(unsigned char* p, std::int64_t pts)
{
    p[0] = static_cast<unsigned char>(0x21 | (pts >> 29 & 0x0E));
    p[1] = static_cast<unsigned char>(pts >> 22);
    p[2] = static_cast<unsigned char>(pts >> 14 | 0x01);
    p[3] = static_cast<unsigned char>(pts >> 7);
    p[4] = static_cast<unsigned char>(pts << 1 | 0x01);
}

} // namespace

void StretchEdges::editStretch(unsigned char* sector)
{
    std::int64_t start = 0;
    std::int64_t end = 0;
    const bool navigation = navigationTimes(sector, &start, &end);
    if (m_sectors++ == 0 && navigation) {
        m_opened = true;
        m_firstPicture = start;
    }
    if (navigation) {
        m_ended = true;
        m_pictureEnd = end;
    }
    const bool leading = m_opened && m_sectors <= leadSectors;
    forEachPacket(sector, [&](PesPacket& packet) {
        if (!packet.isAudio())
            return;
        m_audio.insert(packet.dvdId);
        if (!leading || m_started.count(packet.dvdId) > 0)
            return;
        // A packet without a time continues a sound frame begun before it.
        if (packet.hasPts && !ptsBefore(packet.pts, m_firstPicture))
            m_started.insert(packet.dvdId);
        else
            dropPacket(packet);
    });
}

bool StretchEdges::editTail(unsigned char* sector)
{
    if (!m_ended || m_audio.empty() || m_tailSectors >= tailSectors ||
        m_finished.size() == m_audio.size() || firstPacketOf(sector) == nullptr)
        return false;
    if (m_tailSectors++ == 0) {
        std::int64_t start = 0;
        std::int64_t end = 0;
        if (!navigationTimes(sector, &start, &end) || start != m_pictureEnd)
            return false;
    }
    forEachPacket(sector, [&](PesPacket& packet) {
        if (packet.streamId == systemHeader)
            return;
        const int id = packet.dvdId;
        if (packet.isAudio() && packet.hasPts && !ptsBefore(packet.pts, m_pictureEnd))
            m_finished.insert(id);
        if (!packet.isAudio() || m_audio.count(id) == 0 || m_finished.count(id) > 0)
            dropPacket(packet);
    });
    return true;
}

std::string StretchEdges::subtitleAnnouncement(const unsigned char* firstSector, int subtitleId)
{
    std::string pack(firstSector, firstSector + dvdSectorSize);
    auto* bytes = reinterpret_cast<unsigned char*>(pack.data());
    std::int64_t start = 0;
    std::int64_t end = 0;
    unsigned char* packet = firstPacketOf(bytes);
    if (packet == nullptr || !navigationTimes(bytes, &start, &end))
        return {};
    // The pack header stays (its clock reference is the stretch's own);
    // then one private stream 1 packet: a subpicture unit of ten bytes whose
    // only control sequence ends the display it never started.
    const unsigned char unit[] = {0x00, 0x0A, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x02, 0xFF};
    const size_t payload = 3 + 5 + 1 + sizeof unit;
    unsigned char* p = packet;
    const unsigned char header[] = {
        0x00, 0x00, 0x01, 0xBD, 0x00, static_cast<unsigned char>(payload), 0x81, 0x80, 0x05};
    std::memcpy(p, header, sizeof header);
    writePts(p + sizeof header, start);
    p[sizeof header + 5] = static_cast<unsigned char>(subtitleId);
    std::memcpy(p + sizeof header + 6, unit, sizeof unit);
    p += 6 + payload;
    // The rest of the pack is padding.
    const size_t rest = static_cast<size_t>(bytes + dvdSectorSize - p);
    p[0] = 0x00;
    p[1] = 0x00;
    p[2] = 0x01;
    p[3] = 0xBE;
    p[4] = static_cast<unsigned char>((rest - 6) >> 8);
    p[5] = static_cast<unsigned char>(rest - 6);
    std::memset(p + 6, 0xFF, rest - 6);
    return pack;
}

} // namespace transcast
