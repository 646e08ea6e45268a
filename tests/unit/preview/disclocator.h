#pragma once

// The locator of a whole title of the authored test disc, built from its
// cell table, for the preview suites (the DVD rows' own locators come from
// the title discovery).

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include "dvd/dvdlocator.h"
#include "support/titlesetcells.h"
#include "support/testdiscs.h"

namespace transcast::previewclips
{

struct DiscTitle {
    int titleSet = 0;
    std::int32_t startPos = 0;
    std::int32_t endPos = 0;
};

// Title `title` (0-based) of title set `titleSet` of the test disc.
inline DiscTitle discTitle(int titleSet, int title)
{
    const auto& discs = testdiscs::testDiscs();
    const std::vector<dvd::Cell> cells = testdiscs::titleCells(discs.ifo(titleSet), title);
    EXPECT_FALSE(cells.empty());
    if (cells.empty())
        return {};
    return {titleSet, cells.front().firstSector, cells.back().lastSector};
}

inline QString discLocator(const std::string& root, int titleSet, int title, int audio)
{
    const DiscTitle found = discTitle(titleSet, title);
    dvd::DvdLocator locator;
    locator.titleSet = found.titleSet;
    locator.startPos = found.startPos;
    locator.endPos = found.endPos;
    locator.audioId = audio;
    locator.root = root;
    return QFile::decodeName(dvd::formatDvdLocator(locator).c_str());
}

} // namespace transcast::previewclips
