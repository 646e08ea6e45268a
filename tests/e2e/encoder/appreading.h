#pragma once

// What the app takes out of register.dat's report, by the app's own reading
// rules: the 8 characters after "Duration:" and one more character; for
// "bitrate:", "Video:" and "Audio:" the first carriage-return-ended line that
// holds the key, and in it the text before " kb/s" back to the nearest space
// at most 10 characters away; the frame size around the first lower-case "x"
// after "Video:". The probe tests check the report through these rules, so a
// report that would mislead the app fails even when its lines look right.

#include <QString>
#include <QStringList>

namespace transcast::testclips
{

struct AppReading {
    QString duration;
    QString overallBitrate;
    QString videoBitrate;
    QString audioBitrate;
    QString frameSize;
};

inline QStringList carriageReturnLines(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\r'));
    lines.removeLast(); // not ended by a carriage return: not searched
    return lines;
}

inline QString firstLineWith(const QString& text, const QString& key)
{
    for (const QString& line : carriageReturnLines(text))
        if (line.contains(key))
            return line;
    return {};
}

inline QString valueBeforeKbps(const QString& line)
{
    const int unit = line.indexOf(QStringLiteral(" kb/s"));
    if (unit < 0)
        return {};
    for (int i = unit - 1; i >= 0 && i >= unit - 10; --i)
        if (line[i] == QLatin1Char(' '))
            return line.mid(i + 1, unit - i - 1);
    const int from = qMax(0, unit - 10);
    return line.mid(from, unit - from);
}

inline QString frameSizeIn(const QString& text)
{
    const QString line = firstLineWith(text, QStringLiteral("Video:"));
    if (line.isEmpty())
        return {};
    const int x = line.indexOf(QLatin1Char('x'), line.indexOf(QStringLiteral("Video:")));
    if (x < 0)
        return {};
    int from = qMax(0, x - 10);
    for (int i = x - 1; i >= 0 && i >= x - 10; --i) {
        if (line[i] == QLatin1Char(' ')) {
            from = i + 1;
            break;
        }
    }
    int to = x;
    while (to + 1 < line.size() && to + 1 <= x + 10 && line[to + 1].isDigit() &&
           line[to + 1].unicode() < 128)
        ++to;
    return line.mid(from, to - from + 1);
}

inline AppReading readLikeTheApp(const QString& report)
{
    AppReading reading;
    const int duration = report.indexOf(QStringLiteral("Duration:"));
    if (duration >= 0)
        reading.duration = report.mid(duration + 10, 8);
    reading.overallBitrate = valueBeforeKbps(firstLineWith(report, QStringLiteral("bitrate:")));
    reading.videoBitrate = valueBeforeKbps(firstLineWith(report, QStringLiteral("Video:")));
    reading.audioBitrate = valueBeforeKbps(firstLineWith(report, QStringLiteral("Audio:")));
    reading.frameSize = frameSizeIn(report);
    return reading;
}

} // namespace transcast::testclips
