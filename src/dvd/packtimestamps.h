#pragma once

#include <cstdint>
#include <optional>

// The clock inside DVD sectors: each 2048-byte sector of a title VOB is one
// MPEG-2 program stream pack, whose header carries the system clock
// reference and whose PES packets carry presentation and decoding times, all
// on the 90 kHz clock. Every VOBU starts with a navigation pack, whose PCI
// gives the VOBU's start and end presentation times and whose DSI gives the
// VOBU's last sector.
namespace transcast::dvd
{

// What the navigation pack at the start of a VOBU says about it.
struct NavigationTimes {
    std::uint32_t startTime = 0;  // vobu_s_ptm, 90 kHz
    std::uint32_t endTime = 0;    // vobu_e_ptm, 90 kHz
    std::uint32_t lastSector = 0; // vobu_ea: the VOBU's last sector, counted from this one
};

// The navigation pack's times when `sector` (2048 bytes) is one, else none.
std::optional<NavigationTimes> readNavigationPack(const unsigned char* sector);

// Moves the presentation and decoding time of every PES packet of the pack
// in `sector` (2048 bytes) by `ticks` (90 kHz, either way, modulo 2^33), and
// a navigation pack's PCI times with them.
// The pack's own clock reference stays: demuxers read the packets' times.
// A sector that is no MPEG-2 pack, or whose packets run past its end, is
// left as it is from there on.
void shiftPackTimestamps(unsigned char* sector, std::int64_t ticks);

} // namespace transcast::dvd
