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
    appendAndWalkLines(m_pending, block, [this, &results](QByteArrayView line) {
        const int seconds = parseProgress(m_pending);
        if (seconds != 0)
            results.append(seconds);
        readLine(line);
    });
    return results;
}

void ProgressScanner::finish()
{
    if (!m_pending.isEmpty())
        readLine(m_pending);
    m_pending.clear();
}

void ProgressScanner::clear()
{
    m_pending.clear();
    m_lastReported = -1;
    m_notes.clear();
}

void ProgressScanner::readLine(QByteArrayView line)
{
    static constexpr QByteArrayView prefix("register.dat: ");
    if (line.startsWith(prefix) && m_notes.size() < kMaxNotes && line.size() <= kMaxLineSize)
        m_notes << QString::fromLocal8Bit(line).trimmed();
    const qsizetype time = line.indexOf("time=");
    if (time >= 0 && line.indexOf("bitrate=", time) > time) {
        QByteArrayView value = line.sliced(time + 5);
        const qsizetype blank = value.indexOf(' ');
        if (blank >= 0)
            value = value.first(blank);
        bool number = false;
        const double seconds = value.toDouble(&number);
        if (number && seconds >= 0)
            m_lastReported = seconds;
    }
}

bool isProgressLine(const QString& line)
{
    return line.startsWith(QLatin1String("frame=")) || parseProgress(line.toLocal8Bit()) != 0;
}

QByteArray percentText(int value)
{
    QByteArray digits = QByteArray::number(value);
    if (digits.size() < 4)
        digits.prepend(QByteArray(4 - digits.size(), '0'));
    return digits.left(digits.size() - 2) + '.' + digits.right(2) + '%';
}

} // namespace transcast
