#include "sources/dvdrowbuilder.h"

#include "dvd/titleset.h"

namespace transcast
{

namespace
{

// A title or cell shorter than this many sectors (2 MB) is a menu still or
// a filler, not something to convert.
constexpr qint32 kMinimumSectors = 1000;

QString twoDigits(int number)
{
    return number < 10 ? QLatin1Char('0') + QString::number(number) : QString::number(number);
}

bool spansEnough(qint32 first, qint32 last)
{
    return qint64(last) - first >= kMinimumSectors;
}

// The list's length column and the estimate take whole seconds; the IFO's
// exact length where it agrees with them.
void setDuration(JobRow& row)
{
    const qint64 exact = row.dvd.lengthMilliseconds;
    row.source.durationMs =
        exact / 1000 == row.dvd.lengthSeconds ? exact : row.dvd.lengthSeconds * 1000;
}

} // namespace

QString DvdRowBuilder::titleCaption(int position)
{
    return QStringLiteral("Title_") + twoDigits(position);
}

QString DvdRowBuilder::chapterCaption(int cellNumber)
{
    return QStringLiteral("  Chapter_") + twoDigits(cellNumber);
}

std::vector<JobRow> DvdRowBuilder::rows(const std::shared_ptr<const dvd::TitleSet>& titleSet,
                                        const QString& ifoPath, bool titleMode, int rowsBefore)
{
    std::vector<JobRow> rows;
    if (!titleSet)
        return rows;
    // What every row of the title set starts from.
    JobRow base;
    base.dvd.audioId =
        titleSet->audio.empty() ? DvdRowInfo::kNoStream : titleSet->audio.front().streamId;
    base.dvd.ifoPath = ifoPath;
    base.dvd.titleSet = titleSet;
    base.source.frameSize = FrameSize{titleSet->video.width, titleSet->video.height};

    for (int title = 0; title < static_cast<int>(titleSet->titles.size()); ++title) {
        const dvd::Title& record = titleSet->titles[static_cast<size_t>(title)];
        const qint64 length = record.wholeSeconds();
        if (length == 0 || record.cells.empty() ||
            !spansEnough(record.cells.front().firstSector, record.cells.back().lastSector))
            continue;
        JobRow titleRow = base;
        titleRow.kind = JobKind::Title;
        DvdRowInfo& info = titleRow.dvd;
        info.startSector = record.cells.front().firstSector;
        info.endSector = record.cells.back().lastSector;
        info.lengthSeconds = length;
        info.startTime = 0;
        info.endTime = static_cast<qint32>(length);
        info.lengthMilliseconds = record.milliseconds;
        info.titleIndex = title;
        titleRow.caption = titleCaption(rowsBefore + static_cast<int>(rows.size()) + 1);
        setDuration(titleRow);
        rows.push_back(titleRow);
        if (titleMode)
            continue;

        const std::vector<DvdRowInfo::TitleCell> cells = info.titleCells();
        for (size_t j = 0; j < cells.size(); ++j) {
            const DvdRowInfo::TitleCell& cell = cells[j];
            if (cell.endTime <= cell.startTime || !spansEnough(cell.startSector, cell.endSector))
                continue;
            JobRow chapterRow = base;
            chapterRow.kind = JobKind::Chapter;
            chapterRow.caption = chapterCaption(static_cast<int>(j) + 1);
            DvdRowInfo& chapter = chapterRow.dvd;
            chapter.startSector = cell.startSector;
            chapter.endSector = cell.endSector;
            chapter.lengthSeconds = cell.endTime - cell.startTime;
            chapter.startTime = cell.startTime;
            chapter.endTime = cell.endTime;
            chapter.lengthMilliseconds = record.cells[j].milliseconds;
            chapter.titleIndex = title;
            chapter.cellIndex = static_cast<int>(j);
            chapter.titleCaption = titleRow.caption;
            setDuration(chapterRow);
            rows.push_back(std::move(chapterRow));
        }
    }
    return rows;
}

} // namespace transcast
