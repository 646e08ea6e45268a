#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace transcast
{

// The whole seconds of the first "time=" report in the text: the digits
// between "time=" and the first "." before "bitrate=". 0 when there is no
// such report, when the number is not whole (hh:mm:ss.cc reads as 0), or
// when it is negative or above 100000.
int parseProgress(const QByteArray& text);

// The one reader of the encoder's output, as it arrives, cut into lines and
// walked once for everything the runner learns from it:
// - the progress: at every line end the whole pending text is parsed from
//   its start, so within one block the first report still pending wins; the
//   text is cut after the block, keeping an unfinished last line for the
//   next one;
// - the time of the last report, read from each line on its own, fractions
//   kept: how much the output holds when the encoder ends;
// - what the encoder says about the job itself, its lines beginning
//   "register.dat: " (a lowered bitrate, say), up to a handful of them.
class ProgressScanner
{
public:
    // Appends a block (up to its first zero byte) and returns the non-zero
    // progress results, one per line end in the block.
    QList<int> feed(const QByteArray& block);
    // The output has ended: an unfinished last line is read as a line.
    void finish();
    void clear();

    const QByteArray& pending() const { return m_pending; }
    // In seconds; -1 before the first report.
    double lastReportedSeconds() const { return m_lastReported; }
    const QStringList& notes() const { return m_notes; }

    // A flood of notes is cut here; an overlong line is no note.
    static constexpr int kMaxNotes = 8;
    static constexpr int kMaxLineSize = 1024;

private:
    void readLine(QByteArrayView line);

    QByteArray m_pending;
    double m_lastReported = -1;
    QStringList m_notes;
};

// True when the line is one of the encoder's progress reports ("frame=..."
// or one that carries a whole-second "time="), which never says why a job
// failed.
bool isProgressLine(const QString& line);

// The status text of a progress value: at least four digits, a "." before
// the last two, and "%" (1234 -> "12.34%", 5 -> "00.05%").
QByteArray percentText(int value);

} // namespace transcast
