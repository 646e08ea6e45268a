#pragma once

#include <cstdint>

#include <gtest/gtest.h>

#include "dvd/titlesetinfo.h"

namespace transcast::dvd
{

// Two readings of one title agree: its time, and each cell's sectors and time.
inline void expectSameTitle(const TitleSetInfo::Title& got, const TitleSetInfo::Title& want)
{
    EXPECT_EQ(got.time.totalSeconds(), want.time.totalSeconds());
    ASSERT_EQ(got.cells.size(), want.cells.size());
    for (size_t i = 0; i < want.cells.size(); ++i) {
        // Copies: a packed record's fields are not aligned for a reference.
        EXPECT_EQ(std::int32_t{got.cells[i].startPos}, std::int32_t{want.cells[i].startPos});
        EXPECT_EQ(std::int32_t{got.cells[i].endPos}, std::int32_t{want.cells[i].endPos});
        EXPECT_EQ(got.cells[i].totalSeconds(), want.cells[i].totalSeconds());
    }
}

} // namespace transcast::dvd
