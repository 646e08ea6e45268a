#include "ui/readingorder.h"

#include <algorithm>
#include <limits>

namespace transcast
{

namespace
{

struct Span {
    int start;
    int end;
};

Span spanOf(const QRect& part, bool vertical, int slack)
{
    const int start = vertical ? part.top() : part.left();
    const int end = vertical ? part.bottom() : part.right();
    if (end - start < 2 * slack) {
        const int middle = (start + end) / 2;
        return {middle, middle};
    }
    return {start + slack, end - slack};
}

// `indexes` cut in two along the widest gap that no part spans, in one
// direction (across, into an upper and a lower part, when `vertical`; into
// a left and a right one otherwise). The gap's width is -1 when there is
// none (a gap narrower than the slack measures less than 0).
struct Cut {
    QList<int> first, second;
    int gap = -1;
};

Cut widestCut(const QList<QRect>& parts, QList<int> indexes, bool vertical, int slack)
{
    auto start = [&](int index) { return spanOf(parts.at(index), vertical, slack).start; };
    std::stable_sort(indexes.begin(), indexes.end(),
                     [&](int a, int b) { return start(a) < start(b); });
    Cut best;
    best.gap = std::numeric_limits<int>::min();
    int reach = 0;
    int edge = 0; // how far the parts so far really reach
    for (int i = 0; i < indexes.size(); ++i) {
        const QRect& part = parts.at(indexes.at(i));
        if (i > 0 && start(indexes.at(i)) > reach) {
            const int gap = (vertical ? part.top() : part.left()) - edge - 1;
            if (gap > best.gap) {
                best.first = indexes.mid(0, i);
                best.second = indexes.mid(i);
                best.gap = gap;
            }
        }
        reach = i == 0 ? spanOf(part, vertical, slack).end
                       : std::max(reach, spanOf(part, vertical, slack).end);
        edge = i == 0 ? (vertical ? part.bottom() : part.right())
                      : std::max(edge, vertical ? part.bottom() : part.right());
    }
    if (best.first.isEmpty())
        best.gap = std::numeric_limits<int>::min();
    return best;
}

// Every part of `indexes` that encloses all the others.
QList<int> enclosing(const QList<QRect>& rects, const QList<int>& indexes, int slack)
{
    QList<int> found;
    for (const int outer : indexes) {
        const QRect room = rects.at(outer).adjusted(-slack, -slack, slack, slack);
        const bool enclosesAll = std::all_of(indexes.begin(), indexes.end(), [&](int inner) {
            return inner == outer || room.contains(rects.at(inner));
        });
        if (enclosesAll)
            found.append(outer);
    }
    return found;
}

// Appends the indexes below `partCount` among `indexes` in reading order;
// the others are drawn parts.
void appendInOrder(const QList<QRect>& rects, QList<int> indexes, int partCount, int slack,
                   QList<int>& ordered)
{
    if (std::none_of(indexes.begin(), indexes.end(), [&](int i) { return i < partCount; }))
        return;
    // The widest gap separates what belongs together: a narrow gap that
    // runs across two columns (between a list's last row of buttons and
    // a preview's) is no boundary a reader sees.
    const Cut across = widestCut(rects, indexes, true, slack);
    const Cut down = widestCut(rects, indexes, false, slack);
    const Cut& cut = down.gap > across.gap ? down : across;
    if (!cut.first.isEmpty()) {
        appendInOrder(rects, cut.first, partCount, slack, ordered);
        appendInOrder(rects, cut.second, partCount, slack, ordered);
        return;
    }
    QList<int> frames = enclosing(rects, indexes, slack);
    frames.removeIf([&](int i) { return i < partCount; });
    if (!frames.isEmpty() && frames.size() < indexes.size()) {
        indexes.removeIf([&](int i) { return frames.contains(i); });
        appendInOrder(rects, indexes, partCount, slack, ordered);
        return;
    }
    indexes.removeIf([&](int i) { return i >= partCount; });
    std::stable_sort(indexes.begin(), indexes.end(), [&](int a, int b) {
        const QRect& first = rects.at(a);
        const QRect& second = rects.at(b);
        return first.top() != second.top() ? first.top() < second.top()
                                           : first.left() < second.left();
    });
    ordered.append(indexes);
}

} // namespace

QList<int> ReadingOrder::of(const QList<QRect>& parts, const QList<QRect>& drawn, int slack)
{
    QList<QRect> rects = parts;
    QList<int> indexes;
    for (int i = 0; i < parts.size(); ++i)
        indexes.append(i);
    for (const QRect& shape : drawn) {
        if (shape.isEmpty())
            continue;
        indexes.append(static_cast<int>(rects.size()));
        rects.append(shape);
    }
    QList<int> ordered;
    appendInOrder(rects, indexes, static_cast<int>(parts.size()), slack, ordered);
    return ordered;
}

} // namespace transcast
