#include "titleset.h"

#include <algorithm>

namespace transcast::dvd
{

std::int64_t playingMilliseconds(std::int64_t wholeSeconds, std::uint8_t frameByte)
{
    const int rate = frameByte >> 6;
    const int frames = ((frameByte >> 4) & 0x03) * 10 + (frameByte & 0x0F);
    std::int64_t milliseconds = wholeSeconds * 1000;
    if (rate == 1) // 25 fps: 40 ms a frame
        milliseconds += std::min(frames, 24) * 40;
    else if (rate == 3) // 29.97 fps: 1001/30 ms a frame
        milliseconds += (std::min(frames, 29) * 1001 + 29) / 30;
    return milliseconds;
}

bool operator==(const Cell& a, const Cell& b)
{
    return a.firstSector == b.firstSector && a.lastSector == b.lastSector &&
           a.milliseconds == b.milliseconds;
}

bool operator==(const Chapter& a, const Chapter& b)
{
    return a.firstCell == b.firstCell && a.lastCell == b.lastCell;
}

bool operator==(const Title& a, const Title& b)
{
    return a.milliseconds == b.milliseconds && a.cells == b.cells && a.chapters == b.chapters &&
           a.discTitle == b.discTitle;
}

bool operator==(const AudioTrack& a, const AudioTrack& b)
{
    return a.streamId == b.streamId && a.language == b.language && a.coding == b.coding &&
           a.channels == b.channels;
}

bool operator==(const SubtitleTrack& a, const SubtitleTrack& b)
{
    return a.streamId == b.streamId && a.language == b.language;
}

bool operator==(const VideoTrack& a, const VideoTrack& b)
{
    return a.coding == b.coding && a.width == b.width && a.height == b.height &&
           a.standard == b.standard && a.aspect == b.aspect;
}

bool operator==(const TitleSet& a, const TitleSet& b)
{
    return a.video == b.video && a.audio == b.audio && a.subtitles == b.subtitles &&
           a.titles == b.titles && a.heldSectors == b.heldSectors && a.namedTitles == b.namedTitles;
}

int TitleSet::playableTitles() const
{
    return static_cast<int>(std::count_if(titles.begin(), titles.end(),
                                          [](const Title& title) { return !title.cells.empty(); }));
}

} // namespace transcast::dvd
