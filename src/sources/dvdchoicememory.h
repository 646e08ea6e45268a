#pragma once

#include <QHash>
#include <QString>

#include "sources/jobrow.h"

namespace transcast
{

// What the user chose for DVD titles and chapters that are not listed now
// (the other mode's rows, removed ones), kept by the row's place on the disc
// (its title set, title and cell), never by its row number, so that a mode
// switch or a restore lists them again with their ticks and tracks: a tick
// per mode, the track choices shared by both.
class DvdChoiceMemory
{
public:
    // A row's place on the disc as a key: the same for the title or chapter
    // however often, in whichever mode and at whichever row it is listed.
    static QString placeOf(const DvdRowInfo& info);

    void clear();

    // Keeps the row's tick (for the mode it is listed in) and its tracks.
    void remember(const JobRow& row, bool titleMode);
    // Gives a row being listed the tracks remembered for it; a chapter seen
    // for the first time takes its title's. Positions the row's title set has
    // no track at are left as listed.
    void applyTracks(JobRow& row) const;
    // The tick remembered for the row in a mode; `otherwise` when none is.
    bool tick(const DvdRowInfo& info, bool titleMode, bool otherwise = true) const;

private:
    struct TrackChoice {
        int audio = 0;
        int subtitle = 0;
    };

    QHash<QString, bool> m_titleTicks;
    QHash<QString, bool> m_chapterTicks;
    QHash<QString, TrackChoice> m_choices;
};

} // namespace transcast
