#pragma once

#include <QList>
#include <QRect>

namespace transcast
{

// The order in which a reader of a left-to-right page meets the parts of a
// window. The page is cut in two along its widest gap that nothing spans
// (across it, into an upper and a lower part, or down it, into a left and a
// right one), each side is read whole before the other, and each is cut
// again in the same way. So a column beside a list is read after the list
// and everything under it, a row of buttons from left to right, and a stack
// of boxes from the top down.
//
// The drawn parts that take no focus (cards, bars, captions) shape the page
// as well: a card around a column keeps a cut from running through it. A
// part of the page that encloses everything else in its cut (a card around
// its boxes) stops counting there, so its contents are cut in their turn.
// What no gap separates goes by its top, then its left edge.
class ReadingOrder
{
public:
    // The indexes of `parts` in reading order, with `drawn` shaping the
    // page but left out. Edges closer than `slack` pixels still leave a
    // gap, so a card drawn a pixel over its neighbour does not join them.
    static QList<int> of(const QList<QRect>& parts, const QList<QRect>& drawn = {}, int slack = 2);
};

} // namespace transcast
