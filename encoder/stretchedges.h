#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace transcast
{

// Gives a stretch of a DVD title (a chapter cut from a continuous stream)
// the sound of its own pictures at both ends. A disc interleaves each
// moment's sound a few tenths of a second after its pictures, so a cell's
// first sectors still carry the end of the previous cell's sound, and the
// end of its own sound lies in the next cell's first sectors. ffmpeg would
// start the output at the earliest sound, over a repeated first picture.
// The sectors are edited in place; a packet taken out becomes padding.
class StretchEdges
{
public:
    // Each sector of the stretch, in order. Until every audio stream has
    // reached the first picture (the navigation pack that opens the stretch
    // says when it shows), its earlier packets are taken out.
    void editStretch(unsigned char* sector);

    // Each sector after the stretch, in order, until this returns false:
    // only the sound that plays before the stretch's last picture ends is
    // kept. True when the edited sector is to follow the stretch; false, and
    // the sector and those after it are not wanted, once every audio stream
    // has reached that end, or when the sector does not continue the
    // stretch's timeline (another title, a clock started anew).
    bool editTail(unsigned char* sector);

    // A pack to put before the stretch that carries an empty subpicture of
    // stream `subtitleId` at the first picture, so that ffmpeg knows the
    // stream from the start however late its first subtitle shows. Empty
    // when the stretch does not open with a navigation pack.
    static std::string subtitleAnnouncement(const unsigned char* firstSector, int subtitleId);

    // How far the sound may run behind the pictures: past this many
    // sectors of either end, nothing more is taken out or looked for.
    static constexpr long leadSectors = 1024;
    static constexpr long tailSectors = 1024;

private:
    long m_sectors = 0;
    bool m_opened = false; // the stretch opened with a navigation pack
    std::int64_t m_firstPicture = 0;
    bool m_ended = false; // a navigation pack said when the last picture ends
    std::int64_t m_pictureEnd = 0;
    std::set<int> m_started; // audio streams that reached the first picture
    std::set<int> m_audio;   // audio streams of the stretch
    long m_tailSectors = 0;
    std::set<int> m_finished; // audio streams that reached the end in the tail
};

} // namespace transcast
