#pragma once

#include <QObject>
#include <QSet>
#include <QVector>

namespace transcast
{

class CliSession;
class Controller;
class InterruptWatcher;
struct CliOptions;

// transcast-cli convert: lists the sources, then either prints each job's
// command line (--dry-run) or runs the batch and reports it. On a terminal
// the running row is one line rewritten in place (ProgressLine); otherwise
// each row gets a line when it starts and one when it ends, and the status
// line every 10 s in between, so a log holds no carriage returns. The
// batch's own line ("Converting 3 of 12 · ... elapsed · about ... left")
// leads the terminal's line and follows each "converting" line otherwise.
// Every row's final status is printed: "Finish", "Failed" with the reason,
// or "Stop"; at the end, the batch's summary with the failed rows named,
// then the count of each status. Ctrl-C, SIGTERM and SIGHUP stop the batch
// as the Stop button does; the exit status is then 128 plus the signal's
// number.
class ConvertCommand : public QObject
{
    Q_OBJECT
public:
    ConvertCommand(CliSession& session, const CliOptions& options, InterruptWatcher& interrupts);

    // Returns the exit status (see CliOptions).
    int run();

    // The terminal's status line, at most `width` characters.
    static QString statusLine(Controller& controller, int width);
    // Below this many characters beside the batch's line, the row's own
    // line stands alone.
    static constexpr int kRoomForARow = 30;
    // Written to a log instead: the status line every so often, this wide.
    static constexpr int kLogIntervalMs = 10000;
    static constexpr int kLogLineWidth = 160;

private:
    // A DVD edition: the disc's rows, the ones chosen with --rows.
    int runTitles();
    int dryRun(int skipped);
    int convert(int skipped);
    void rowStarted(int row);
    void rowChanged(int row);
    void printEnded(int row);
    void showProgress();
    void interrupt(int signalNumber);
    QString rowLabel(int row) const;

    CliSession& m_session;
    const CliOptions& m_options;
    InterruptWatcher& m_interrupts;
    QSet<int> m_ended;
    QVector<int> m_stopped;  // told when the batch has ended
    int m_interruptedBy = 0; // the signal that stopped the batch
};

} // namespace transcast
