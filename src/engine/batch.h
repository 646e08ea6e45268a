#pragma once

#include <QObject>
#include <QString>

#include "engine/encoderrunner.h"

namespace transcast
{

class Edition;
class Interaction;
class JobBuilder;
class JobList;
class ProgressModel;
class Shell;
struct ControllerState;

// Walks the job list from the first row to the last, one encoder run at a
// time, and runs the finish action when the list is done.
//
// Only a job whose encoder ends successfully is Finished: one whose encoder
// exits with an error, dies, or cannot be started is Failed (its reason kept
// in its row for the user), and the batch goes on. Convert is refused while
// sources are added or a disc is read: the list is not complete yet.
class Batch : public QObject
{
    Q_OBJECT
public:
    Batch(const Edition& edition, ControllerState& state, JobList& jobs, JobBuilder& builder,
          EncoderRunner& runner, ProgressModel& bar, Interaction& interaction, Shell& shell,
          QObject* parent = nullptr);

    // The convert action.
    void convert();
    void StopConversion();

    // Builds the job of CurrentRow and launches it (file mode).
    void StartFileJob();
    // DVD mode: passes over unticked rows (they keep their status), then builds
    // the title job of CurrentRow and launches it; when no ticked row is
    // left the batch ends as after its last job, finish action included.
    void StartTitleJob();

signals:
    // The batch ended, by running to its end or by a stop (once the stopped
    // encoder has ended and closed its file).
    void batchEnded(bool stopped);

private:
    void completion(const EncoderRunner::Outcome& outcome);
    void startNextJob();
    void markFinished(int row);
    void endBatch(bool stopped);
    void runFinishAction();
    void failCurrentJob(const QString& reason);
    void launch(const ConversionJob& job);

    const Edition& m_edition;
    ControllerState& m_state;
    JobList& m_jobs;
    JobBuilder& m_builder;
    EncoderRunner& m_runner;
    ProgressModel& m_bar;
    Interaction& m_interaction;
    Shell& m_shell;
    // Outcome of the job that ended last, written into its row by the next
    // step (the next job's start, or the end of the batch).
    bool m_lastSucceeded = true;
    // The row whose encoder ran last and is not marked yet; -1 for none. A
    // passed-over row is never marked, whatever its status reads.
    int m_ranRow = -1;
    // Convert was chosen while a stopped job's encoder was still ending.
    bool m_convertWhenStopped = false;
};

} // namespace transcast
