#include "sources/jobrow.h"

namespace transcast
{

namespace
{

const dvd::TitleSet kNoTitleSet;

} // namespace

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
