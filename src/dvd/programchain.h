#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "dvdlocator.h"

namespace transcast::dvd
{

// What a title set's IFO file says about the program chain that plays a
// stretch of its VOBs: the streams it lets a player choose and the sixteen
// colours its subpictures are drawn in. A player takes both from the IFO,
// never from the stream: a subtitle that first shows an hour in is still
// one of the title's tracks, and the subpictures carry only colour numbers.
struct ProgramChain {
    // 0x20.. for each subpicture track, under every display mode the chain
    // gives it (4:3, wide, letterbox, pan-scan); a track without a stream
    // number counts up from 0x20 as the track lists do.
    std::set<int> subtitleIds;
    // The palette as the disc stores it: 0x00YYCrCb per entry.
    std::array<std::uint32_t, 16> palette = {};
};

// Finds, in the bytes of a VTS_nn_0.IFO (or its backup copy), the first
// program chain with a cell holding `sector`, else the first program chain.
// Nothing when the bytes hold no title set or no program chain; every offset
// in them is checked, so any bytes are safe to give.
std::optional<ProgramChain> parseProgramChain(const std::string& ifo, std::int32_t sector);

// The program chain of the locator's start sector, read from its title set's
// IFO file through libdvdread, or from the backup copy when the IFO file is
// unreadable. Nothing, with *error saying why, when neither can be read.
std::optional<ProgramChain> readProgramChain(const DvdLocator& locator, std::string* error);

// An entry of the palette (0x00YYCrCb, studio range) as 0xRRGGBB.
std::uint32_t paletteToRgb(std::uint32_t yCrCb);

} // namespace transcast::dvd
