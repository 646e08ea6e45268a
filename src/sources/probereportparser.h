#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

#include "common/framesize.h"
#include "sources/filetracks.h"

namespace transcast
{

// What a probe learnt about a source, read once from the encoder's report
// into numbers. A value is absent when the report does not give it, and
// also when what stands in its place is no such value (a frame size
// "mpeg4x", a bitrate "N/A"): every reader then sees the same absence.
struct ProbeResult {
    // "Duration: hh:mm:ss", with the hundredths when ".cc" follows.
    std::optional<qint64> durationMs;
    // kbit/s: the file's, its first video stream's, its first audio stream's.
    std::optional<int> overallKbps;
    std::optional<int> videoKbps;
    std::optional<int> audioKbps;
    std::optional<FrameSize> frameSize;
    // The sound and subtitle streams the track lines name, in their order
    // ("    Track #0.K: sound, eng, aac, 6 channels, default, preferred",
    // "    Track #0.K: subtitle, eng, subrip, text"); no choice made.
    FileTracks tracks;
};

// Reads the encoder's report on a source as it arrives. The report is taken
// apart by fixed rules rather than by a grammar, because any encoder that
// honours the report lines must do:
// - "Duration:", one character, then eight characters hh:mm:ss (and a
//   following ".cc" as hundredths);
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

    // The report's texts for each value as the rules above cut them, which
    // the result reads; the duration's runs on to its hundredths.
    struct Texts {
        QString duration;
        QString overallBitrate;
        QString videoBitrate;
        QString audioBitrate;
        QString frameSize;
    };
    const Texts& texts() const { return m_found; }
    // The text not yet consumed (an unfinished last line).
    const QByteArray& pending() const { return m_pending; }

private:
    void recompute();
    void readTrackLine(QByteArrayView line);
    static void keep(QString& value, const QString& found);

    QByteArray m_pending;
    Texts m_found;
    ProbeResult m_result;
};

} // namespace transcast
