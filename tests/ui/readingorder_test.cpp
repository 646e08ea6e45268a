#include <gtest/gtest.h>

#include <QRect>

#include "ui/readingorder.h"

using transcast::ReadingOrder;

// A page as the window lays it out: a toolbar on a header bar, a list with
// two buttons under it, and a column beside the list of two boxes over a
// preview's buttons. Only a one-pixel gap runs across both columns (the
// list's buttons begin two pixels under the list, the preview's one pixel
// lower still), a wider one runs down between them.
TEST(ReadingOrder, ReadsAColumnBesideAListAfterTheListAndItsButtons)
{
    const QList<QRect> parts{
        {322, 100, 150, 22}, // 0: second box
        {10, 10, 50, 40},    // 1: toolbar, left
        {10, 60, 300, 310},  // 2: list
        {340, 10, 50, 40},   // 3: toolbar, over the column
        {322, 60, 150, 22},  // 4: first box
        {10, 371, 80, 30},   // 5: under the list, left
        {100, 371, 80, 30},  // 6: under the list, right
        {322, 372, 30, 26},  // 7: preview button, left
        {362, 372, 30, 26},  // 8: preview button, right
    };
    const QList<int> reading{1, 3, 2, 5, 6, 4, 0, 7, 8};
    const QRect header(0, 0, 600, 55);
    EXPECT_EQ(ReadingOrder::of(parts, {header}), reading);
    // Cards around the boxes and the preview: what a card holds is still
    // read from the top down and from the left.
    EXPECT_EQ(ReadingOrder::of(parts, {header, {312, 56, 170, 74}, {312, 140, 170, 265}}), reading);
    // Without the header bar the gap down the page is the widest and cuts
    // the toolbar in two: the drawn parts are what keeps it one row.
    EXPECT_EQ(ReadingOrder::of(parts), QList<int>({1, 2, 5, 6, 3, 4, 0, 7, 8}));
}
