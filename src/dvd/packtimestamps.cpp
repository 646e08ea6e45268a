#include "packtimestamps.h"

namespace transcast::dvd
{

namespace
{

constexpr int SectorBytes = 2048;
constexpr std::int64_t ClockWrap = std::int64_t(1) << 33;

std::uint32_t bigEndian32(const unsigned char* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           p[3];
}

bool startCode(const unsigned char* p, unsigned char id)
{
    return p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == id;
}

bool isStartCode(const unsigned char* p)
{
    return p[0] == 0 && p[1] == 0 && p[2] == 1;
}

// The offset of the first packet after the pack header, or -1 when the
// sector holds no MPEG-2 pack header.
int packPayload(const unsigned char* sector)
{
    if (!startCode(sector, 0xBA) || (sector[4] & 0xC0) != 0x40)
        return -1;
    return 14 + (sector[13] & 0x07);
}

void writeBigEndian32(unsigned char* p, std::uint32_t value)
{
    p[0] = static_cast<unsigned char>(value >> 24);
    p[1] = static_cast<unsigned char>(value >> 16);
    p[2] = static_cast<unsigned char>(value >> 8);
    p[3] = static_cast<unsigned char>(value);
}

std::int64_t shifted(std::int64_t value, std::int64_t ticks)
{
    return ((value + ticks) % ClockWrap + ClockWrap) % ClockWrap;
}

// A PTS or DTS field: 4 prefix bits, 33 bits of time in three runs, each
// followed by a marker bit.
void shiftTimeField(unsigned char* p, std::int64_t ticks)
{
    std::int64_t value = (std::int64_t(p[0] & 0x0E) << 29) | (std::int64_t(p[1]) << 22) |
                         (std::int64_t(p[2] & 0xFE) << 14) | (std::int64_t(p[3]) << 7) |
                         (p[4] >> 1);
    value = shifted(value, ticks);
    p[0] = static_cast<unsigned char>((p[0] & 0xF1) | ((value >> 29) & 0x0E));
    p[1] = static_cast<unsigned char>(value >> 22);
    p[2] = static_cast<unsigned char>((p[2] & 0x01) | ((value >> 14) & 0xFE));
    p[3] = static_cast<unsigned char>(value >> 7);
    p[4] = static_cast<unsigned char>((p[4] & 0x01) | ((value << 1) & 0xFE));
}

// Packets without the MPEG-2 PES header extension: stream map, padding,
// private stream 2 (navigation), ECM, EMM, directory, DSM-CC, H.222.1 E.
bool hasPesHeader(unsigned char streamId)
{
    switch (streamId) {
    case 0xBC:
    case 0xBE:
    case 0xBF:
    case 0xF0:
    case 0xF1:
    case 0xF2:
    case 0xF8:
    case 0xFF:
        return false;
    default:
        return streamId >= 0xBD;
    }
}

} // namespace

std::optional<NavigationTimes> readNavigationPack(const unsigned char* sector)
{
    int at = packPayload(sector);
    if (at < 0)
        return std::nullopt;
    std::optional<std::uint32_t> start, end, last;
    while (at + 6 <= SectorBytes && isStartCode(sector + at)) {
        const unsigned char id = sector[at + 3];
        const int length = (sector[at + 4] << 8) | sector[at + 5];
        const unsigned char* payload = sector + at + 6;
        if (at + 6 + length > SectorBytes)
            break;
        // PCI: substream 0, then nv_pck_lbn, vobu_cat, zero, vobu_uop_ctl,
        // vobu_s_ptm, vobu_e_ptm. DSI: substream 1, then nv_pck_scr,
        // nv_pck_lbn, vobu_ea.
        if (id == 0xBF && length >= 21 && payload[0] == 0x00) {
            start = bigEndian32(payload + 13);
            end = bigEndian32(payload + 17);
        } else if (id == 0xBF && length >= 13 && payload[0] == 0x01) {
            last = bigEndian32(payload + 9);
        }
        at += 6 + length;
    }
    if (!start || !end || !last)
        return std::nullopt;
    return NavigationTimes{*start, *end, *last};
}

void shiftPackTimestamps(unsigned char* sector, std::int64_t ticks)
{
    int at = packPayload(sector);
    if (at < 0 || ticks == 0)
        return;
    while (at + 6 <= SectorBytes && isStartCode(sector + at)) {
        const unsigned char id = sector[at + 3];
        const int length = (sector[at + 4] << 8) | sector[at + 5];
        unsigned char* packet = sector + at;
        if (at + 6 + length > SectorBytes)
            return;
        // The PCI's start, end and sequence end times of its VOBU (demuxers
        // date the navigation packets by them).
        if (id == 0xBF && length >= 25 && packet[6] == 0x00) {
            for (int field : {6 + 13, 6 + 17, 6 + 21})
                writeBigEndian32(packet + field, static_cast<std::uint32_t>(
                                                     shifted(bigEndian32(packet + field), ticks)));
        }
        if (id == 0xBB || !hasPesHeader(id) || length < 3 || (packet[6] & 0xC0) != 0x80) {
            at += 6 + length;
            continue;
        }
        const int flags = packet[7] >> 6;
        const int headerLength = packet[8];
        if (3 + headerLength > length)
            return;
        if ((flags == 2 || flags == 3) && headerLength >= 5)
            shiftTimeField(packet + 9, ticks);
        if (flags == 3 && headerLength >= 10)
            shiftTimeField(packet + 14, ticks);
        at += 6 + length;
    }
}

} // namespace transcast::dvd
