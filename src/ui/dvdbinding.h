#pragma once

#include <QObject>

class QComboBox;
class QTableView;

namespace transcast
{

class DvdTitles;
class Edition;

// The DVD edition's part of the window: the audio and subtitle boxes
// (cb_audio, cb_subtitle) mirror the title discovery's track lists, a click
// on the list or a move to another row shows that row's tracks, Space in the
// list ticks or unticks the selected rows, and the list is disabled while a
// disc is read.
class DvdBinding : public QObject
{
    Q_OBJECT
public:
    DvdBinding(DvdTitles& dvd, const Edition& edition, QTableView& list, QComboBox& audio,
               QComboBox& subtitle, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DvdTitles& m_dvd;
};

} // namespace transcast
