#pragma once

#include <string>
#include <vector>

#include "support/testdiscs.h"
#include "support/titlesetsnow.h"

namespace transcast::testdiscs
{

// The title set of an IFO file as the program reads it, through register.dat.
inline std::shared_ptr<const dvd::TitleSet> readTitleSet(const std::string& ifo)
{
    TitleSetsNow titleSets(discReader());
    return titleSets.read(ifo);
}

// The cells of title `title` (from 0) of an IFO file; none when it has no
// such title.
inline std::vector<dvd::Cell> titleCells(const std::string& ifo, int title)
{
    const std::shared_ptr<const dvd::TitleSet> titleSet = readTitleSet(ifo);
    if (!titleSet || title < 0 || title >= static_cast<int>(titleSet->titles.size()))
        return {};
    return titleSet->titles[static_cast<size_t>(title)].cells;
}

} // namespace transcast::testdiscs
