#pragma once

#include <QRect>
#include <QSize>
#include <QString>

namespace transcast
{

// Which edges of its parent a control keeps its distance to when the parent
// grows beyond its design size. A control held by the left and the right
// edge widens with the parent; one held by the right edge only moves with
// it; one held by neither stays centred on its design place in the grown
// parent. The same holds for top and bottom.
class Anchors
{
public:
    enum Edge { Left = 1, Top = 2, Right = 4, Bottom = 8 };
    static constexpr int TopLeft = Left | Top;

    // "left|top|right|bottom" in any order and letter case, "|"-separated;
    // empty means neither pair (centred both ways); `fallback` when the text
    // holds a word that is no edge.
    static int parse(const QString& text, int fallback = TopLeft);

    // The place of a control designed at `design` in a parent grown by
    // `growth` (its size minus its design size).
    static QRect place(const QRect& design, int anchors, const QSize& growth);
};

} // namespace transcast
