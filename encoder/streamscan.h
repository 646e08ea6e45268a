#pragma once

#include <cstddef>
#include <set>

namespace transcast
{

// Which elementary streams a DVD title's program stream carries, by the ids
// the disc's IFO uses: 0x80.. AC3, 0x88.. DTS, 0xA0.. LPCM and 0xC0.. MPEG
// audio, 0x20..0x3F subpictures. register.dat looks before it hands the
// stream to ffmpeg, so that it asks ffmpeg only for streams that are there.
class StreamScan
{
public:
    // Reads whole 2048-byte sectors (one pack each, as on a DVD); other
    // lengths are read up to their last whole sector.
    void feed(const unsigned char* data, size_t size);

    const std::set<int>& audioIds() const { return m_audio; }
    const std::set<int>& subtitleIds() const { return m_subtitles; }

private:
    void feedSector(const unsigned char* sector);

    std::set<int> m_audio;
    std::set<int> m_subtitles;
};

} // namespace transcast
