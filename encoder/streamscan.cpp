#include "streamscan.h"

namespace transcast
{

namespace
{

constexpr size_t sectorSize = 2048;

bool startCodeAt(const unsigned char* p)
{
    return p[0] == 0 && p[1] == 0 && p[2] == 1;
}

} // namespace

void StreamScan::feed(const unsigned char* data, size_t size)
{
    for (size_t at = 0; at + sectorSize <= size; at += sectorSize)
        feedSector(data + at);
}

void StreamScan::feedSector(const unsigned char* sector)
{
    const unsigned char* const end = sector + sectorSize;
    // An MPEG-2 pack header: 14 bytes and its stuffing.
    if (!startCodeAt(sector) || sector[3] != 0xBA || (sector[4] & 0xC0) != 0x40)
        return;
    const unsigned char* p = sector + 14 + (sector[13] & 0x07);
    while (p + 6 <= end && startCodeAt(p)) {
        const int streamId = p[3];
        const size_t length = (size_t(p[4]) << 8) | p[5];
        const unsigned char* payload = p + 6;
        if (streamId == 0xBD && payload + 3 <= end && (payload[0] & 0xC0) == 0x80) {
            // Private stream 1: the PES header's own length, then the
            // substream number that tells AC3, DTS, LPCM and subpictures.
            const unsigned char* sub = payload + 3 + payload[2];
            if (sub < end && sub < payload + length) {
                const int id = *sub;
                if (id >= 0x20 && id <= 0x3F)
                    m_subtitles.insert(id);
                else if ((id >= 0x80 && id <= 0x8F) || (id >= 0xA0 && id <= 0xA7))
                    m_audio.insert(id);
            }
        } else if (streamId >= 0xC0 && streamId <= 0xDF) {
            m_audio.insert(streamId);
        }
        p = payload + length;
    }
}

} // namespace transcast
