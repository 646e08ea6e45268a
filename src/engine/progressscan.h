#pragma once

#include <QByteArray>
#include <QList>

namespace transcast
{

// The whole seconds of the first "time=" report in the text: the digits
// between "time=" and the first "." before "bitrate=". 0 when there is no
// such report, when the number is not whole (hh:mm:ss.cc reads as 0), or
// when it is negative or above 100000.
int parseProgress(const QByteArray& text);

// The encoder's output as it arrives, cut into lines. At every line end the
// whole pending text is parsed from its start, so within one block the first
// report still pending wins; the text is cut after the block, keeping an
// unfinished last line for the next one.
class ProgressScanner
{
public:
    // Appends a block (up to its first zero byte) and returns the non-zero
    // results, one per line end in the block.
    QList<int> feed(const QByteArray& block);
    const QByteArray& pending() const { return m_pending; }
    void clear() { m_pending.clear(); }

private:
    QByteArray m_pending;
};

// The status text of a progress value: at least four digits, a "." before
// the last two, and "%" (1234 -> "12.34%", 5 -> "00.05%").
QByteArray percentText(int value);

} // namespace transcast
