#include "pespacket.h"

#include <cstring>

namespace transcast
{

namespace
{

bool startCodeAt(const unsigned char* p)
{
    return p[0] == 0 && p[1] == 0 && p[2] == 1;
}

std::int64_t ptsAt(const unsigned char* p)
{
    return std::int64_t(p[0] >> 1 & 0x07) << 30 | std::int64_t(p[1]) << 22 |
           std::int64_t(p[2] >> 1) << 15 | std::int64_t(p[3]) << 7 | std::int64_t(p[4] >> 1);
}

std::int64_t be32(const unsigned char* p)
{
    return std::int64_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

constexpr int paddingStream = 0xBE;
constexpr int navigationStream = 0xBF;

} // namespace

unsigned char* firstPacketOf(unsigned char* sector)
{
    // An MPEG-2 pack header: 14 bytes and its stuffing.
    if (!startCodeAt(sector) || sector[3] != 0xBA || (sector[4] & 0xC0) != 0x40)
        return nullptr;
    return sector + 14 + (sector[13] & 0x07);
}

bool readPesPacket(unsigned char* at, const unsigned char* end, PesPacket* packet)
{
    if (at + 6 > end || !startCodeAt(at))
        return false;
    *packet = PesPacket();
    packet->start = at;
    packet->streamId = at[3];
    packet->length = 6 + (size_t(at[4]) << 8 | at[5]);
    if (packet->length > size_t(end - at))
        return false;
    const int id = packet->streamId;
    if (id >= 0xC0 && id <= 0xDF)
        packet->dvdId = id;
    const bool hasHeader = id == 0xBD || (id >= 0xC0 && id <= 0xEF);
    const unsigned char* header = at + 6;
    if (!hasHeader || packet->length < 9 || (header[0] & 0xC0) != 0x80)
        return true;
    const unsigned char* payload = header + 3 + header[2];
    if ((header[1] & 0x80) && header[2] >= 5 && payload <= at + packet->length) {
        packet->hasPts = true;
        packet->pts = ptsAt(header + 3);
    }
    if (id == 0xBD && payload < at + packet->length) {
        // Private stream 1: the substream number tells AC3, DTS, LPCM and
        // subpictures apart.
        const int sub = *payload;
        if ((sub >= 0x20 && sub <= 0x3F) || (sub >= 0x80 && sub <= 0x8F) ||
            (sub >= 0xA0 && sub <= 0xA7))
            packet->dvdId = sub;
    }
    return true;
}

void dropPacket(PesPacket& packet)
{
    packet.start[3] = paddingStream;
    std::memset(packet.start + 6, 0xFF, packet.length - 6);
    packet.streamId = paddingStream;
    packet.dvdId = -1;
    packet.hasPts = false;
}

bool navigationTimes(unsigned char* sector, std::int64_t* start, std::int64_t* end)
{
    bool found = false;
    forEachPacket(sector, [&](PesPacket& packet) {
        // The presentation data: substream 0, then nv_pck_lbn, vobu_cat,
        // a reserved word, vobu_uop_ctl, vobu_s_ptm, vobu_e_ptm.
        if (found || packet.streamId != navigationStream || packet.length < 6 + 1 + 20 ||
            packet.start[6] != 0x00)
            return;
        *start = be32(packet.start + 6 + 1 + 12);
        *end = be32(packet.start + 6 + 1 + 16);
        found = true;
    });
    return found;
}

bool ptsBefore(std::int64_t a, std::int64_t b)
{
    const std::int64_t wrap = std::int64_t(1) << 33;
    const std::int64_t difference = ((b - a) % wrap + wrap) % wrap;
    return difference != 0 && difference < wrap / 2;
}

} // namespace transcast
