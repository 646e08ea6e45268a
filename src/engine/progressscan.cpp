#include "engine/progressscan.h"

#include "common/pendingtext.h"
#include "common/textutil.h"

namespace transcast
{

int parseProgress(const QByteArray& text)
{
    const int p = text.indexOf("time=");
    if (p < 0)
        return 0;
    const int q = text.indexOf("bitrate=");
    if (q < 0 || q - p < 1)
        return 0;
    // Without a "." between the two there is no whole-second value.
    const int dot = text.indexOf('.', p + 5);
    if (dot < 0 || dot > q)
        return 0;
    const auto seconds = parseInteger(QString::fromLatin1(text.mid(p + 5, dot - (p + 5))));
    // A negative time (an encoder reporting before its first packet) is no
    // progress; it would otherwise move the bar below zero.
    if (!seconds || *seconds < 0 || *seconds > 100000)
        return 0;
    return static_cast<int>(*seconds);
}

QList<int> ProgressScanner::feed(const QByteArray& block)
{
    QList<int> results;
    appendAndWalkLines(m_pending, block, [this, &results] {
        const int seconds = parseProgress(m_pending);
        if (seconds != 0)
            results.append(seconds);
    });
    return results;
}

QByteArray percentText(int value)
{
    QByteArray digits = QByteArray::number(value);
    if (digits.size() < 4)
        digits.prepend(QByteArray(4 - digits.size(), '0'));
    return digits.left(digits.size() - 2) + '.' + digits.right(2) + '%';
}

} // namespace transcast
