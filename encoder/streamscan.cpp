#include "streamscan.h"

#include "pespacket.h"

namespace transcast
{

void StreamScan::feed(const unsigned char* data, size_t size)
{
    for (size_t at = 0; at + dvdSectorSize <= size; at += dvdSectorSize)
        feedSector(data + at);
}

void StreamScan::feedSector(const unsigned char* sector)
{
    // The walk only reads the sector.
    forEachPacket(const_cast<unsigned char*>(sector), [this](const PesPacket& packet) {
        if (packet.isSubpicture())
            m_subtitles.insert(packet.dvdId);
        else if (packet.isAudio())
            m_audio.insert(packet.dvdId);
    });
}

} // namespace transcast
