#pragma once

#include <QByteArray>
#include <QString>

namespace transcast
{

// What a probe learnt about a source: texts as the encoder's report wrote
// them (kb/s numbers, "640x480", "hh:mm:ss").
struct ProbeResult {
    QString duration;
    QString overallBitrate;
    QString videoBitrate;
    QString audioBitrate;
    QString frameSize;
};

// Reads the encoder's report on a source as it arrives. The report is taken
// apart by fixed rules rather than by a grammar, because any encoder that
// honours the report lines must do:
// - "Duration:", one character, then eight characters hh:mm:ss;
// - the first line (cut at carriage returns) that holds "bitrate:", "Video:"
//   or "Audio:": the value ends before " kb/s" and starts after the nearest
//   blank at most ten characters back (else the ten characters before it);
// - in the first "Video:" line, the frame size: the digits around the first
//   lower-case "x" after "Video:".
// A line counts only once its carriage return has arrived.
class ProbeReportParser
{
public:
    // Starts a new report: every value is cleared, so nothing of the
    // previous source can stick to the next one.
    void reset();

    // Appends a block of output and reads every line the block completes.
    // A value found once in this report is kept even when a later read of
    // the remaining text no longer holds its line.
    void feed(const QByteArray& block);

    const ProbeResult& result() const { return m_result; }
    // The text not yet consumed (an unfinished last line).
    const QByteArray& pending() const { return m_pending; }

private:
    void recompute();
    static void keep(QString& value, const QString& found);

    QByteArray m_pending;
    ProbeResult m_result;
};

} // namespace transcast
