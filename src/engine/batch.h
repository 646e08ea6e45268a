#pragma once

#include <memory>
#include <vector>

#include <QObject>
#include <QString>
#include <QVector>

#include "engine/batchprogress.h"
#include "engine/encoderrunner.h"

namespace transcast
{

class Edition;
class Interaction;
class JobBuilder;
class JobList;
class ProgressModel;
class Shell;
class SourceList;
class BusyState;
class Preferences;

// Walks the job list from the first row to the last and runs the finish
// action when the list is done. It converts the preferences'
// conversionsAtOnce rows side by side (read when a batch starts): with one,
// one row after the other; with more, the next rows start in list order
// as conversions end.
//
// Side by side, every row ends exactly as it would one at a time: the same
// outputs under the same names, the same statuses and reasons. A row whose
// free name would depend on how a running job ends (the walk of free names
// meets that job's output) waits for it; the finish action runs once, after
// the last conversion has ended. Stop stops every running conversion.
//
// Only a job whose encoder ends successfully is Finished: one whose encoder
// exits with an error, dies, or cannot be started is Failed (its reason kept
// in its row for the user), and the batch goes on. Convert is refused while
// sources are added or a disc is read: the list is not complete yet.
//
// At the start, rows whose status an earlier batch left are flagged
// (JobRow::earlierBatch) until this batch takes them. A row it takes is
// converting at once, at 0, before its encoder has said anything.
//
// A running conversion holds its row by the row's identity (JobRow::id), as
// the runner does: after a stop the list is the user's again while stopped
// encoders close their files, and a row that moved meanwhile still gets its
// own report, one that went gets none, and no other row gets either.
class Batch : public QObject
{
    Q_OBJECT
public:
    // `runner` converts when one row converts at a time; it moves `bar`.
    // Conversions side by side get runners of their own, and the bar then
    // shows the whole batch's progress.
    // The batch is the writer of `busy`'s converting flag.
    Batch(const Edition& edition, BusyState& busy, const Preferences& preferences, JobList& jobs,
          JobBuilder& builder, EncoderRunner& runner, ProgressModel& bar, Interaction& interaction,
          Shell& shell, QObject* parent = nullptr);
    ~Batch() override;

    // The source list whose busy state (files being added, a disc being
    // read) makes Convert ignore input.
    void setSources(const SourceList* sources) { m_sources = sources; }

    // The convert action.
    void convert();
    void stopConversion();

    // Whether an encoder of the batch has not ended yet, a stopped one
    // closing its file included.
    bool encodersRunning() const;
    bool isConverting() const;
    // The row the batch works on (the last one it took); adding rows never
    // moves it, and a stop puts it past the end.
    int currentRow() const { return m_currentRow; }
    // The rows converting now (or closing their files after a stop), in list
    // order; a row gone meanwhile is not among them.
    QVector<int> runningRows() const;
    // How the batch goes, and how the last one went.
    const BatchProgress& progress() const { return m_progress; }

signals:
    void batchStarted();
    // The converting flag changed: on at the start, off at the end or at
    // once on a stop (the batch ends later, once its encoders have closed).
    void convertingChanged(bool converting);
    // The conversion of `row` starts (or fails at once).
    void jobStarted(int row);
    // The batch ended, by running to its end or by a stop (once every
    // stopped encoder has ended and closed its file).
    void batchEnded(bool stopped);

private:
    struct Slot;

    void completion(Slot& slot, const EncoderRunner::Outcome& outcome);
    // Marks the row that ended (if any) and fills the idle slots with the
    // next rows; ends the batch when nothing is left to run.
    void startJobs(int endedRow, bool succeeded);
    // The next row to start from m_nextRow on: DVD mode passes over unticked
    // rows, which keep their status.
    int nextRow() const;
    // Builds and launches the job of `row` in `slot`; false when its name
    // waits on a running job.
    bool launchRow(Slot& slot, int row);
    void takeRow(Slot& slot, int row);
    void failJob(Slot& slot, const QString& reason);
    void markFinished(int row, bool succeeded);
    void endBatch(bool stopped);
    void runFinishAction();
    Slot* idleSlot();
    bool anyBusy() const;
    double rowSeconds(int row) const;
    void updatePending();
    void rowChanged(int row);

    const Edition& m_edition;
    BusyState& m_busy;
    const Preferences& m_preferences;
    JobList& m_jobs;
    JobBuilder& m_builder;
    EncoderRunner& m_runner;
    ProgressModel& m_bar;
    Interaction& m_interaction;
    const SourceList* m_sources = nullptr;
    Shell& m_shell;
    std::vector<std::unique_ptr<Slot>> m_slots;
    // The slots this batch uses.
    int m_slotCount = 1;
    // The first row no slot has taken or passed over yet.
    int m_nextRow = 0;
    int m_currentRow = 0;
    // Convert was chosen while a stopped job's encoder was still ending.
    bool m_convertWhenStopped = false;
    BatchProgress m_progress;
};

} // namespace transcast
