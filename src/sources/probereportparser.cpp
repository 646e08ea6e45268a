#include "sources/probereportparser.h"

#include <QList>

#include "common/pendingtext.h"
#include "common/textutil.h"

namespace transcast
{

namespace
{

// Lines ended by a carriage return; the last piece without one is not
// complete yet and is left out.
QList<QByteArray> completeLines(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\r');
    lines.removeLast();
    return lines;
}

QByteArray firstLineWith(const QByteArray& text, const char* key)
{
    for (const QByteArray& line : completeLines(text)) {
        if (line.contains(key))
            return line;
    }
    return QByteArray();
}

// Where a value that ends before `end` starts: after the nearest blank at
// most ten characters back, else ten characters back.
int valueStart(const QByteArray& line, int end)
{
    for (int i = end - 1; i >= end - 10 && i >= 0; --i) {
        if (line.at(i) == ' ')
            return i + 1;
    }
    return qMax(0, end - 10);
}

// The number before " kb/s".
QString valueBeforeKbps(const QByteArray& line)
{
    const int end = line.indexOf(" kb/s");
    if (end < 0)
        return QString();
    const int start = valueStart(line, end);
    return QString::fromLatin1(line.mid(start, end - start));
}

QString frameSizeOf(const QByteArray& line)
{
    const int video = line.indexOf("Video:");
    const int x = video < 0 ? -1 : line.indexOf('x', video);
    if (x < 0)
        return QString();
    const int start = valueStart(line, x);
    int end = x; // last character taken
    for (int i = x + 1; i <= x + 10 && i < line.size(); ++i) {
        if (line.at(i) < '0' || line.at(i) > '9')
            break;
        end = i;
    }
    return QString::fromLatin1(line.mid(start, end - start + 1));
}

std::optional<int> kbpsOf(const QString& text)
{
    return text.isEmpty() ? std::nullopt : parseInt32(text);
}

} // namespace

void ProbeReportParser::reset()
{
    m_pending.clear();
    m_found = Texts();
    m_result = ProbeResult();
}

void ProbeReportParser::keep(QString& value, const QString& found)
{
    if (!found.isEmpty())
        value = found;
}

void ProbeReportParser::recompute()
{
    const int duration = m_pending.indexOf("Duration:");
    if (duration >= 0)
        keep(m_found.duration, QString::fromLatin1(m_pending.mid(duration + 10, 11)));
    keep(m_found.overallBitrate, valueBeforeKbps(firstLineWith(m_pending, "bitrate:")));
    const QByteArray videoLine = firstLineWith(m_pending, "Video:");
    keep(m_found.videoBitrate, valueBeforeKbps(videoLine));
    keep(m_found.audioBitrate, valueBeforeKbps(firstLineWith(m_pending, "Audio:")));
    keep(m_found.frameSize, frameSizeOf(videoLine));

    m_result.durationMs = clockToMilliseconds(m_found.duration);
    m_result.overallKbps = kbpsOf(m_found.overallBitrate);
    m_result.videoKbps = kbpsOf(m_found.videoBitrate);
    m_result.audioKbps = kbpsOf(m_found.audioBitrate);
    m_result.frameSize = FrameSize::fromText(m_found.frameSize);
}

void ProbeReportParser::readTrackLine(QByteArrayView line)
{
    const QByteArray text = line.toByteArray().trimmed();
    if (!text.startsWith("Track #0."))
        return;
    const int colon = text.indexOf(':');
    bool ok = false;
    const int stream = text.mid(9, colon - 9).toInt(&ok);
    if (colon < 0 || !ok || stream < 0)
        return;
    const QList<QByteArray> fields = text.mid(colon + 1).split(',');
    if (fields.size() < 4)
        return;
    const auto field = [&fields](int i) { return QString::fromLatin1(fields[i].trimmed()); };
    const QString language = field(1) == QLatin1String("und") ? QString() : field(1);
    QStringList flags;
    for (int i = 4; i < fields.size(); ++i)
        flags << field(i);
    if (field(0) == QLatin1String("sound")) {
        const int channels = parseInt32(field(3).section(QLatin1Char(' '), 0, 0)).value_or(0);
        m_result.tracks.audio.push_back({stream, language, field(2), qMax(0, channels),
                                         flags.contains(QLatin1String("preferred"))});
    } else if (field(0) == QLatin1String("subtitle")) {
        m_result.tracks.subtitles.push_back(
            {stream, language, field(2), field(3) == QLatin1String("text")});
    }
}

void ProbeReportParser::feed(const QByteArray& block)
{
    appendAndWalkLines(m_pending, block, [this](QByteArrayView line) {
        readTrackLine(line);
        recompute();
    });
}

} // namespace transcast
