#pragma once

#include <gtest/gtest.h>

#include "dvd/titleset.h"

namespace transcast::dvd
{

// Two readings of one title agree: its time, and each cell's sectors and
// time, and its chapters.
inline void expectSameTitle(const Title& got, const Title& want)
{
    EXPECT_EQ(got.milliseconds, want.milliseconds);
    ASSERT_EQ(got.cells.size(), want.cells.size());
    for (size_t i = 0; i < want.cells.size(); ++i) {
        EXPECT_EQ(got.cells[i].firstSector, want.cells[i].firstSector);
        EXPECT_EQ(got.cells[i].lastSector, want.cells[i].lastSector);
        EXPECT_EQ(got.cells[i].milliseconds, want.cells[i].milliseconds);
    }
    EXPECT_TRUE(got.chapters == want.chapters);
}

} // namespace transcast::dvd
