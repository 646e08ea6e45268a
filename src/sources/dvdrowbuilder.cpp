#include "sources/dvdrowbuilder.h"

#include <algorithm>

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

QString DvdRowBuilder::chapterCaption(int chapterNumber)
{
    return QStringLiteral("  Chapter_") + twoDigits(chapterNumber);
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
        clip(titleRow, record.cells, 0, static_cast<int>(record.cells.size()) - 1,
             titleSet->heldSectors);
        titleRow.caption = titleCaption(rowsBefore + static_cast<int>(rows.size()) + 1);
        setDuration(titleRow);
        rows.push_back(titleRow);
        if (titleMode)
            continue;

        // A chapter is what a player skips to, however many cells it spans;
        // a title whose program map names none is cut at its cells instead.
        std::vector<dvd::Chapter> chapters = record.chapters;
        if (chapters.empty()) {
            for (int cell = 0; cell < static_cast<int>(record.cells.size()); ++cell)
                chapters.push_back({cell, cell});
        }
        const std::vector<DvdRowInfo::TitleCell> cells = info.titleCells();
        for (size_t k = 0; k < chapters.size(); ++k) {
            const dvd::Chapter& span = chapters[k];
            const dvd::Cell& first = record.cells[static_cast<size_t>(span.firstCell)];
            const dvd::Cell& last = record.cells[static_cast<size_t>(span.lastCell)];
            qint64 milliseconds = 0;
            for (int cell = span.firstCell; cell <= span.lastCell; ++cell)
                milliseconds += record.cells[static_cast<size_t>(cell)].milliseconds;
            // Only a stretch without a picture is left out: a chapter of a
            // few hundred sectors is still a chapter the user may want.
            if (milliseconds == 0 || qint64(last.lastSector) - first.firstSector <= 0)
                continue;
            JobRow chapterRow = base;
            chapterRow.kind = JobKind::Chapter;
            chapterRow.caption = chapterCaption(static_cast<int>(k) + 1);
            DvdRowInfo& chapter = chapterRow.dvd;
            chapter.startSector = first.firstSector;
            chapter.endSector = last.lastSector;
            chapter.lengthMilliseconds = milliseconds;
            chapter.lengthSeconds = milliseconds / 1000;
            chapter.startTime = cells[static_cast<size_t>(span.firstCell)].startTime;
            chapter.endTime = chapter.startTime + static_cast<qint32>(chapter.lengthSeconds);
            chapter.titleIndex = title;
            // Its first cell is its place on the disc: a chapter of one cell
            // keeps the key it had when rows were made per cell.
            chapter.cellIndex = span.firstCell;
            chapter.titleCaption = titleRow.caption;
            clip(chapterRow, record.cells, span.firstCell, span.lastCell, titleSet->heldSectors);
            setDuration(chapterRow);
            rows.push_back(std::move(chapterRow));
        }
    }
    return rows;
}

void DvdRowBuilder::clip(JobRow& row, const std::vector<dvd::Cell>& cells, int firstCell,
                         int lastCell, qint32 heldSectors)
{
    DvdRowInfo& info = row.dvd;
    if (info.startSector >= heldSectors) {
        info.missing = true;
        return;
    }
    if (info.endSector < heldSectors)
        return;
    // Cut inside: what is left plays for the share of each cell's time that
    // its sectors before the cut hold.
    qint64 milliseconds = 0;
    for (int i = firstCell; i <= lastCell; ++i) {
        const dvd::Cell& cell = cells[static_cast<size_t>(i)];
        const qint64 sectors = qint64(cell.lastSector) - cell.firstSector + 1;
        const qint64 held = std::clamp<qint64>(qint64(heldSectors) - cell.firstSector, 0, sectors);
        milliseconds += sectors > 0 ? cell.milliseconds * held / sectors : 0;
    }
    info.endSector = heldSectors - 1;
    info.lengthMilliseconds = milliseconds;
    info.lengthSeconds = milliseconds / 1000;
    info.endTime = info.startTime + static_cast<qint32>(info.lengthSeconds);
}

} // namespace transcast
