#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "titleset.h"

namespace transcast::dvd
{

// A file as stat() saw it, to tell whether what was read from it still
// holds (a disc changed in the drive at the same mount point).
struct FileStamp {
    bool exists = false;
    std::int64_t device = 0;
    std::int64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    static FileStamp of(const std::string& path);
    bool operator==(const FileStamp& other) const;
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// One title set as the reading program (register.dat) read it: its number,
// the stamp of its file taken before reading, and whether it could be read.
struct TitleSetRecord {
    int number = 0;
    FileStamp stamp;
    bool readable = false;
    TitleSet info;
};

// A record as bytes, and back; the reading program sends them framed (see
// titlesetstream.h), so a reader that dies halfway leaves only complete
// records before the break.
void encodeRecord(const TitleSetRecord& record, std::string& out);
// Decodes the record at *offset and moves the offset past it; false (offset
// unchanged) when the bytes there hold no complete, well-formed record.
bool decodeRecord(const std::string& bytes, size_t* offset, TitleSetRecord* record);

bool isRegularFile(const std::string& path);

// Where libdvdread must be pointed to read an IFO path: the image when the
// path runs through an .iso file ("/a/film.iso/VIDEO_TS/VTS_01_0.IFO"), else
// the IFO's own folder (libdvdread takes a VIDEO_TS folder, the folder above
// it, or a plain folder of IFO and VOB files alike). Empty when the path
// names a file inside an image that libdvdread would not look for.
std::string discToOpenFor(const std::string& ifoPath);

// Which file tells whether title set `number` read earlier still holds: the
// image, or in a folder the title set's own IFO file, named in the same case
// as ifoPath, the IFO file of a title set beside it ("vts_01_0.ifo" gives
// "vts_02_0.ifo").
std::string stampPathOf(const std::string& root, bool image, const std::string& ifoPath,
                        int number);

} // namespace transcast::dvd
