#pragma once

#include <QObject>

namespace transcast
{

class Edition;
class JobList;
class OptionBox;

// The file edition's use of the track boxes (cb_audio, cb_subtitle, which
// the DVD titles fill in the DVD edition): they show the selected file row's
// sound tracks and "No Subtitle" with its subtitle tracks, at the row's
// choices, and are shown only while that row offers a choice
// (FileTracks::offersChoice): a file with one sound track and no subtitles
// keeps the window as it always was. A pick in a box is the first selected
// row's (JobList::setAudioChoice, as the DVD rows' is). Does nothing in the
// DVD edition.
class FileTrackBoxes : public QObject
{
    Q_OBJECT
public:
    FileTrackBoxes(const Edition& edition, JobList& jobs, OptionBox& audio, OptionBox& subtitle,
                   QObject* parent = nullptr);

    // The boxes are to be seen: the selected row offers a choice.
    bool isShown() const { return m_shown; }

signals:
    void shownChanged(bool shown);

private:
    void showSelectedRow();

    JobList& m_jobs;
    OptionBox& m_audio;
    OptionBox& m_subtitle;
    bool m_shown = false;
};

} // namespace transcast
