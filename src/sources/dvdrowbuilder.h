#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "sources/jobrow.h"

namespace transcast
{

namespace dvd
{
struct Cell;
struct TitleSet;
} // namespace dvd

// The rows a title set lists, in order, decided from its record and the mode
// alone. Every title that plays for at least a second and spans at least 1000
// sectors becomes a row ("Title_01", numbered by its place in the whole list);
// in chapter mode each of its chapters follows as a row of its own
// ("  Chapter_01", numbered by its place in the title), spanning the
// chapter's cells; only a chapter without time or sectors is left out. A
// title without chapters gives one row per cell instead. Rows reaching past
// the sectors the disc holds (TitleSet::heldSectors) end where it ends, their
// length cut in proportion; rows wholly past it are listed as missing. Each
// row starts with the title set's first audio track and no subtitle,
// unticked; what the user chose before is for the caller to apply.
class DvdRowBuilder
{
public:
    // rowsBefore: how many rows the list holds before these, which the title
    // captions count on from.
    static std::vector<JobRow> rows(const std::shared_ptr<const dvd::TitleSet>& titleSet,
                                    const QString& ifoPath, bool titleMode, int rowsBefore);

    // "Title_05" for the fifth row; "  Chapter_03" for a title's third
    // chapter.
    static QString titleCaption(int position);
    static QString chapterCaption(int chapterNumber);

private:
    // Ends the row (cells firstCell..lastCell of its title) where the held
    // sectors end, or marks it missing.
    static void clip(JobRow& row, const std::vector<dvd::Cell>& cells, int firstCell, int lastCell,
                     qint32 heldSectors);
};

} // namespace transcast
