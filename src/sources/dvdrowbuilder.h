#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "sources/jobrow.h"

namespace transcast
{

namespace dvd
{
struct TitleSet;
}

// The rows a title set lists, in order, decided from its record and the mode
// alone. Every title that plays for at least a second and spans at least 1000
// sectors becomes a row ("Title_01", numbered by its place in the whole list);
// in chapter mode each such cell of it follows as a row of its own
// ("  Chapter_01", numbered by its cell). Each row starts with the title
// set's first audio track and no subtitle, unticked; what the user chose
// before is for the caller to apply.
class DvdRowBuilder
{
public:
    // rowsBefore: how many rows the list holds before these, which the title
    // captions count on from.
    static std::vector<JobRow> rows(const std::shared_ptr<const dvd::TitleSet>& titleSet,
                                    const QString& ifoPath, bool titleMode, int rowsBefore);

    // "Title_05" for the fifth row; "  Chapter_03" for a title's third cell.
    static QString titleCaption(int position);
    static QString chapterCaption(int cellNumber);
};

} // namespace transcast
