#include "sources/jobrow.h"

namespace transcast
{

namespace
{

const dvd::TitleSet kNoTitleSet;

} // namespace

std::vector<DvdRowInfo::TitleCell> DvdRowInfo::titleCells() const
{
    std::vector<TitleCell> cells;
    if (!titleSet || titleIndex < 0 || titleIndex >= static_cast<int>(titleSet->titles.size()))
        return cells;
    qint32 elapsed = 0;
    for (const dvd::Cell& cell : titleSet->titles[static_cast<size_t>(titleIndex)].cells) {
        const qint32 length = static_cast<qint32>(cell.wholeSeconds());
        cells.push_back({cell.firstSector, cell.lastSector, elapsed, elapsed + length});
        elapsed += length;
    }
    return cells;
}

int DvdRowInfo::discTitle() const
{
    if (!titleSet || titleIndex < 0 || titleIndex >= static_cast<int>(titleSet->titles.size()))
        return 0;
    return titleSet->titles[static_cast<size_t>(titleIndex)].discTitle;
}

QString DvdRowInfo::missingReason() const
{
    if (!missing)
        return {};
    return ifoPath.contains(QLatin1String(".iso/"), Qt::CaseInsensitive)
               ? QStringLiteral("Missing from the image")
               : QStringLiteral("Missing from the disc folder");
}

const std::vector<dvd::AudioTrack>& DvdRowInfo::audioTracks() const
{
    return (titleSet ? *titleSet : kNoTitleSet).audio;
}

const std::vector<dvd::SubtitleTrack>& DvdRowInfo::subtitleTracks() const
{
    return (titleSet ? *titleSet : kNoTitleSet).subtitles;
}

bool DvdRowInfo::chooseAudio(int position)
{
    const std::vector<dvd::AudioTrack>& tracks = audioTracks();
    if (position < 0 || position >= static_cast<int>(tracks.size()))
        return false;
    audioChoice = position;
    audioId = tracks[static_cast<size_t>(position)].streamId;
    return true;
}

bool DvdRowInfo::chooseSubtitle(int position)
{
    const std::vector<dvd::SubtitleTrack>& tracks = subtitleTracks();
    if (position < 0 || position > static_cast<int>(tracks.size()))
        return false;
    subtitleChoice = position;
    subtitleId = position == 0 ? kNoStream : tracks[static_cast<size_t>(position - 1)].streamId;
    return true;
}

} // namespace transcast
