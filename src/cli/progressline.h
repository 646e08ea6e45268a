#pragma once

#include <QString>

namespace transcast
{

// The one line a terminal shows while a row converts, rewritten in place:
//   [2/5] holiday  42.17% [############----------------]
// The row counts from 1; the percentage is the row's status text; the bar
// fills with the value on the job's 0..10000 scale. The line never grows
// past `width` characters, so rewriting it never wraps: the bar shrinks
// first, then the caption is cut (ending in "~"), then the bar goes.
class ProgressLine
{
public:
    static QString format(int row, int rowCount, const QString& caption, int value, int width);

    static constexpr int kLongestBar = 30;
    static constexpr int kShortestBar = 10;
    static constexpr int kShortestCaption = 8;
};

} // namespace transcast
