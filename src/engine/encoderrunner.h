#pragma once

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include "common/managedprocess.h"
#include "engine/conversionjob.h"
#include "engine/progressscan.h"

namespace transcast
{

class JobList;
class ProgressModel;

// Runs the encoder for one job at a time, on the main thread: its standard
// output and error joined into one stream read in 256-byte blocks, its
// "time=" reports turned into a position on the job's 0..10000 scale shown
// by its bar and its row's "Status". A batch that converts rows side by side
// runs one runner per conversion, each with its own row and bar.
//
// Every job gets a process of its own and `jobCompleted` is emitted once per
// launch, after the last of that job's output has been read; nothing of a
// finished (or stopped) job can reach the next job's row or bar.
class EncoderRunner : public QObject
{
    Q_OBJECT
public:
    struct Outcome {
        bool started = false;
        bool crashed = false; // killed, or died of a signal
        bool stopped = false; // ended by stop()
        int exitCode = -1;
        // The line that says why the encoder failed, for the user.
        QString lastOutput;
        // What the encoder said about the job itself (its lines beginning
        // "register.dat: "), e.g. a bitrate it had to lower: shown with a
        // finished job too, since the file is kept.
        QStringList notes;
        // Set when the encoder ended well but its last report shows clearly
        // less than the job's length (see shortfallText): the source was cut
        // or changed while it was read. The file is kept, the job failed.
        QString shortfall;
        bool succeeded() const
        {
            return started && !crashed && exitCode == 0 && shortfall.isEmpty();
        }
    };

    EncoderRunner(JobList& jobs, ProgressModel& bar, QObject* parent = nullptr);
    ~EncoderRunner() override;

    // Whether the bar creeps up one step a second until the job's first
    // report: a DVD title's encoder reads for a while before it reports.
    enum class Creep { No, UntilFirstReport };
    // Starts the job's encoder for `row` and returns at once. The row's
    // "Status" follows the job until it ends; a row no longer listed (or
    // past the list's end: no row) is left alone.
    void launchEncoder(const ConversionJob& job, int row, Creep creep = Creep::No);
    // The bar the next jobs move.
    void setBar(ProgressModel& bar) { m_bar = &bar; }
    // True from the launch until jobCompleted, a stopped job's grace
    // included: no job can be launched meanwhile.
    bool isRunning() const { return m_encoder.isRunning() || m_check.isRunning(); }
    // Stops the running encoder and returns at once: it is asked to end
    // (it then closes its output as a playable file) and killed when it has
    // not ended after kStopGraceMs. The grace runs in the event loop, so the
    // window goes on painting; jobCompleted follows once the encoder has
    // ended, with `stopped` set, and nothing of the stopped job reaches a
    // row or the bar before it; the bar stops creeping at once.
    void stop();
    static constexpr int kStopGraceMs = 5000;

    // A job that did not end well leaves a partial file only where it
    // plays: once its encoder has ended, the output it wrote is probed
    // (`register.dat -i`), and a file that does not read is removed, the
    // reason saying so. An encoder killed from outside, or ended after it
    // stopped answering a stop, says that instead of its last line.
    static constexpr int kCheckMs = 15000;

    // Why a job that ended well is still counted as failed: its output holds
    // under 90 % of the job's length and more than 2 s less. Empty when the
    // output is long enough, or when either length is not known.
    static QString shortfallText(double outputSeconds, int jobSeconds);

    // The line of the encoder's last output that says why it failed: the
    // last one that is not a progress report nor part of a stream listing.
    static QString failureReason(const QByteArray& output);

    void showProgress(int value);

    // What the creep has added so far; a batch clears it when it starts,
    // not between jobs.
    int progressOffset() const { return m_progressOffset; }
    void setProgressOffset(int offset) { m_progressOffset = offset; }
    int jobDuration() const { return m_jobDuration; }

signals:
    void jobCompleted(const EncoderRunner::Outcome& outcome);

private:
    void readBlock(const QByteArray& block);
    void applyReports(const QList<int>& reports);
    void finish(const ManagedProcess::Exit& exit);
    void partialChecked(const ManagedProcess::Exit& exit);
    void creepTick();
    void rememberOutput(const QByteArray& block);

    JobList& m_jobs;
    ProgressModel* m_bar;
    quint64 m_rowId = 0; // JobRow::id of the row converting; 0: none
    ManagedProcess m_encoder;
    // The job's output and the encoder that probes it after a failure.
    QString m_output;
    QString m_encoderFile;
    QString m_workFolder;
    ManagedProcess m_check;
    QTimer m_checkTimer;
    Outcome m_checked;        // the outcome told once the check has ended
    QString m_reservedOutput; // the identity of the file made for the job
    ProgressScanner m_scanner;
    // While a job has not reported yet, the bar creeps up one step a second.
    QTimer m_creepTimer;
    int m_progressOffset = 0;
    int m_jobDuration = 0;
    QByteArray m_tail;
};

} // namespace transcast
