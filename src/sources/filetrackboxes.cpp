#include "sources/filetrackboxes.h"

#include "common/edition.h"
#include "common/optionbox.h"
#include "sources/dvdtitles.h"
#include "sources/joblist.h"

namespace transcast
{

FileTrackBoxes::FileTrackBoxes(const Edition& edition, JobList& jobs, OptionBox& audio,
                               OptionBox& subtitle, QObject* parent)
    : QObject(parent), m_jobs(jobs), m_audio(audio), m_subtitle(subtitle)
{
    if (!edition.isFileMode())
        return;
    connect(&m_jobs, &JobList::selectionChanged, this, &FileTrackBoxes::showSelectedRow);
    connect(&m_jobs, &JobList::rowsReset, this, &FileTrackBoxes::showSelectedRow);
    // A choice made elsewhere (the command line, a restored list) shows as
    // the user's own.
    connect(&m_jobs, &JobList::rowChanged, this, [this](int row, JobList::Change change) {
        if (change == JobList::Change::Record && row == m_jobs.firstSelected())
            showSelectedRow();
    });
}

void FileTrackBoxes::showSelectedRow()
{
    const int row = m_jobs.firstSelected();
    const bool fileRow = row >= 0 && !m_jobs.row(row).isDvd();
    const FileTracks& tracks = fileRow ? m_jobs.row(row).tracks : FileTracks();
    // A box is refilled only when its entries change: a refill closes a
    // drop-down the user holds open.
    QStringList audio;
    for (const FileAudioTrack& track : tracks.audio)
        audio << fileAudioText(track);
    QStringList subtitles;
    if (fileRow)
        subtitles << DvdTitles::noSubtitleText();
    for (const FileSubtitleTrack& track : tracks.subtitles)
        subtitles << fileSubtitleText(track);
    if (m_audio.items() != audio) {
        m_audio.clear();
        for (const QString& text : audio)
            m_audio.addItem(text);
    }
    m_audio.setCurrentIndex(tracks.audioPosition());
    if (m_subtitle.items() != subtitles) {
        m_subtitle.clear();
        for (const QString& text : subtitles)
            m_subtitle.addItem(text);
    }
    m_subtitle.setCurrentIndex(fileRow ? tracks.subtitleChoice : -1);
    const bool shown = fileRow && tracks.offersChoice();
    if (shown != m_shown) {
        m_shown = shown;
        emit shownChanged(shown);
    }
}

} // namespace transcast
