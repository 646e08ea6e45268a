#pragma once

#include <cstddef>
#include <cstdint>

namespace transcast
{

// The packets of one 2048-byte pack of a DVD's MPEG-2 program stream.
constexpr size_t dvdSectorSize = 2048;

struct PesPacket {
    unsigned char* start = nullptr; // its start code
    size_t length = 0;              // start code and length field included
    int streamId = 0;               // 0xE0 video, 0xBD private stream 1, 0xBF navigation...
    // The stream the disc's IFO names it by: 0x80.. AC3, 0x88.. DTS, 0xA0..
    // LPCM and 0xC0.. MPEG audio, 0x20.. subpictures; -1 for anything else.
    int dvdId = -1;
    bool hasPts = false;
    std::int64_t pts = 0; // 90 kHz

    bool isAudio() const { return dvdId >= 0x80; }
    bool isSubpicture() const { return dvdId >= 0x20 && dvdId <= 0x3F; }
};

// Calls visit(PesPacket&) for each packet of the pack, in order; nothing
// when the sector does not begin with an MPEG-2 pack header. A packet whose
// length runs past the sector ends the walk before it.
template <typename Visit> void forEachPacket(unsigned char* sector, Visit visit);

// Makes the packet one that every reader skips (a padding packet of the same
// length), so that the pack keeps its size and the stream its order.
void dropPacket(PesPacket& packet);

// The PTS of a navigation pack's presentation data: when the first picture
// of its video unit shows (start) and when its last one ends (end). False
// when the sector is no navigation pack.
bool navigationTimes(unsigned char* sector, std::int64_t* start, std::int64_t* end);

// Whether 90 kHz time a comes before b, allowing for the 33-bit clock's wrap.
bool ptsBefore(std::int64_t a, std::int64_t b);

// ---- implementation ----------------------------------------------------------------------

bool readPesPacket(unsigned char* at, const unsigned char* end, PesPacket* packet);
unsigned char* firstPacketOf(unsigned char* sector);

template <typename Visit> void forEachPacket(unsigned char* sector, Visit visit)
{
    unsigned char* const end = sector + dvdSectorSize;
    PesPacket packet;
    for (unsigned char* at = firstPacketOf(sector);
         at != nullptr && readPesPacket(at, end, &packet); at = packet.start + packet.length)
        visit(packet);
}

} // namespace transcast
