#include "ui/skin/anchors.h"

#include <QStringList>

namespace transcast
{

int Anchors::parse(const QString& text, int fallback)
{
    int anchors = 0;
    const QStringList words = text.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (const QString& raw : words) {
        const QString word = raw.trimmed().toLower();
        if (word == QLatin1String("left"))
            anchors |= Left;
        else if (word == QLatin1String("top"))
            anchors |= Top;
        else if (word == QLatin1String("right"))
            anchors |= Right;
        else if (word == QLatin1String("bottom"))
            anchors |= Bottom;
        else
            return fallback;
    }
    return anchors;
}

namespace
{

// One axis: the start and length of a span designed at (start, length) in a
// parent grown by `growth`.
void placeSpan(int& start, int& length, bool first, bool second, int growth)
{
    if (first && second)
        length += growth;
    else if (second)
        start += growth;
    else if (!first)
        start += growth / 2;
}

} // namespace

QRect Anchors::place(const QRect& design, int anchors, const QSize& growth)
{
    int x = design.x(), width = design.width();
    int y = design.y(), height = design.height();
    placeSpan(x, width, anchors & Left, anchors & Right, growth.width());
    placeSpan(y, height, anchors & Top, anchors & Bottom, growth.height());
    return QRect(x, y, qMax(0, width), qMax(0, height));
}

} // namespace transcast
