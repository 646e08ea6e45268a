#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "titlesetinfo.h"

namespace transcast::dvd
{

// What `register.dat --describe-disc` writes on its standard output, and the
// program reads back: the title sets of a disc, one after the other, as soon
// as each is read.
//
//   header  "TCTS", version (u32)
//   frame   kind (one byte), payload size (u32), FNV-1a hash of the payload
//           (u32), payload
//   kind 'R': one title set, encoded by encodeRecord
//   kind 'E': the end, its payload the number of 'R' frames before it (u32)
//
// Numbers are in the machine's own byte order: both ends are built from the
// same tree and run on the same machine. A reader that died halfway leaves
// its whole frames before the break; the end frame tells a finished reading
// from one that was cut short.
//
// Version 3 adds how many title VOB sectors the disc holds, how many titles
// the disc's title table names in the title set, and each title's number on
// the disc; version 2 carried the tracks as numbers and each title's
// chapters; version 1 carried them as display texts.
inline constexpr std::uint32_t kTitleSetStreamVersion = 3;

std::string titleSetStreamStart();
std::string titleSetFrame(const TitleSetRecord& record);
std::string titleSetStreamEnd(std::uint32_t records);

// The stream read back: the title sets of every whole, sound frame up to the
// first fault.
struct TitleSetStream {
    enum class Fault {
        None,
        Empty,    // no byte at all
        Foreign,  // no header of ours: not register.dat speaking
        Version,  // our header with another version
        CutShort, // it ends before the end frame
        Damaged,  // a frame whose hash, size or content is wrong
    };

    std::vector<TitleSetRecord> records;
    Fault fault = Fault::None;
    std::uint32_t version = 0; // as the header gave it

    bool whole() const { return fault == Fault::None; }
    // "cut short", "damaged", "version 2 where 1 was expected" ...
    std::string faultText() const;
};

// Never throws and never reads outside the bytes, whatever they hold.
TitleSetStream readTitleSetStream(const std::string& bytes);

} // namespace transcast::dvd
