#include "sources/dvdchoicememory.h"

namespace transcast
{

void DvdChoiceMemory::clear()
{
    m_titleTicks.clear();
    m_chapterTicks.clear();
    m_choices.clear();
}

QString DvdChoiceMemory::placeOf(const DvdRowInfo& info)
{
    return info.ifoPath + QLatin1Char('\n') + QString::number(info.titleIndex) + QLatin1Char('\n') +
           QString::number(info.cellIndex);
}

void DvdChoiceMemory::remember(const JobRow& row, bool titleMode)
{
    const QString key = placeOf(row.dvd);
    (titleMode ? m_titleTicks : m_chapterTicks)[key] = row.checked;
    m_choices[key] = TrackChoice{row.dvd.audioChoice, row.dvd.subtitleChoice};
}

void DvdChoiceMemory::applyTracks(JobRow& row) const
{
    auto choice = m_choices.constFind(placeOf(row.dvd));
    if (choice == m_choices.cend() && row.dvd.cellIndex >= 0) {
        DvdRowInfo title = row.dvd;
        title.cellIndex = -1;
        choice = m_choices.constFind(placeOf(title));
    }
    if (choice == m_choices.cend())
        return;
    row.dvd.chooseAudio(choice->audio);
    // "No Subtitle" is where every row starts.
    if (choice->subtitle > 0)
        row.dvd.chooseSubtitle(choice->subtitle);
}

bool DvdChoiceMemory::tick(const DvdRowInfo& info, bool titleMode, bool otherwise) const
{
    return (titleMode ? m_titleTicks : m_chapterTicks).value(placeOf(info), otherwise);
}

} // namespace transcast
