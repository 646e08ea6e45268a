#include "engine/batch.h"

#include <QTimer>

#include "common/busyguards.h"
#include "common/controllerstate.h"
#include "common/edition.h"
#include "common/interaction.h"
#include "common/shell.h"
#include "common/textutil.h"
#include "engine/jobbuilder.h"
#include "engine/progressmodel.h"
#include "sources/joblist.h"

namespace transcast
{

Batch::Batch(const Edition& edition, ControllerState& state, JobList& jobs, JobBuilder& builder,
             EncoderRunner& runner, ProgressModel& bar, Interaction& interaction, Shell& shell,
             QObject* parent)
    : QObject(parent), m_edition(edition), m_state(state), m_jobs(jobs), m_builder(builder),
      m_runner(runner), m_bar(bar), m_interaction(interaction), m_shell(shell)
{
    connect(&m_runner, &EncoderRunner::jobCompleted, this, &Batch::completion);
}

void Batch::convert()
{
    if (BusyGuards::playingThenConverting(m_state, m_interaction) || m_state.addingSources > 0 ||
        m_state.readingDisc > 0)
        return;
    if (m_jobs.rowCount() == 0) {
        // Nothing to convert yet: say what is missing rather than do nothing.
        m_interaction.warn(m_edition.IsFileMode() ? QStringLiteral("Please add files first")
                                                  : QStringLiteral("Please add a DVD first"));
        return;
    }
    if (m_runner.isRunning()) {
        // A stopped job's encoder is still closing its file; the new batch
        // starts as soon as it has.
        m_convertWhenStopped = true;
        return;
    }
    if (m_builder.profileNumber() <= 0) {
        // Every profile failed to load; the reason was shown then.
        m_interaction.warn(QStringLiteral("Please first choose a profile!"));
        return;
    }
    // Once for the batch, rather than once per row as each job fails.
    const QString folder = m_builder.outputFolder(false);
    const QString problem = JobBuilder::outputFolderProblem(folder);
    if (!problem.isEmpty()) {
        m_interaction.warn(QStringLiteral("The output folder \"%1\" cannot be used: %2.\r"
                                          "Nothing was converted; please choose another folder.")
                               .arg(folder, problem));
        return;
    }
    m_state.CurrentRow = 0;
    m_runner.setProgressOffset(0);
    m_lastSucceeded = true;
    m_ranRow = -1;
    m_bar.setVisible(true);
    m_state.Converting = true;
    startNextJob();
}

void Batch::startNextJob()
{
    if (m_edition.IsFileMode())
        StartFileJob();
    else
        StartTitleJob();
}

void Batch::markFinished(int row)
{
    m_jobs.setStatus(row, m_lastSucceeded ? JobStatus::Finished : JobStatus::Failed);
}

void Batch::launch(const ConversionJob& job)
{
    // What an earlier batch said about the row no longer holds.
    m_jobs.setJobReport(m_state.CurrentRow, QString(), QStringList());
    m_runner.LaunchEncoder(job);
}

void Batch::StartFileJob()
{
    if (m_state.CurrentRow > 0)
        markFinished(m_state.CurrentRow - 1);
    ConversionJob job;
    try {
        job = m_builder.fileJob(m_state.CurrentRow, true);
    } catch (const InvalidInteger& bad) {
        failCurrentJob(bad.message());
        return;
    }
    launch(job);
}

void Batch::StartTitleJob()
{
    // Passing over rows in a loop rather than by recursion keeps a long
    // list of unticked chapters from deepening the stack. A passed-over row
    // keeps "Ready"; the row converted before it is marked, so that the mark
    // is seen with the next row already chosen.
    while (m_jobs.hasRow(m_state.CurrentRow) && !m_jobs.row(m_state.CurrentRow).checked)
        ++m_state.CurrentRow;
    if (m_ranRow >= 0) {
        markFinished(m_ranRow);
        m_ranRow = -1;
    }
    if (!m_jobs.hasRow(m_state.CurrentRow)) {
        endBatch(false);
        return;
    }
    m_ranRow = m_state.CurrentRow;
    ConversionJob job;
    try {
        job = m_builder.titleJob(m_state.CurrentRow, true);
    } catch (const InvalidInteger& bad) {
        failCurrentJob(bad.message());
        return;
    }
    launch(job);
    m_runner.Timer2().start();
}

void Batch::failCurrentJob(const QString& reason)
{
    // Handled as an encoder that could not start, but after the caller has
    // returned, so that the batch never recurses through a long list.
    EncoderRunner::Outcome outcome;
    outcome.lastOutput = reason;
    QTimer::singleShot(0, this, [this, outcome] { completion(outcome); });
}

void Batch::completion(const EncoderRunner::Outcome& outcome)
{
    if (outcome.stopped) {
        // The stopped encoder has closed its file: the stop is complete.
        endBatch(true);
        if (m_convertWhenStopped) {
            m_convertWhenStopped = false;
            convert();
        }
        return;
    }
    const int row = m_state.CurrentRow;
    m_lastSucceeded = outcome.succeeded();
    m_jobs.setJobReport(row, m_lastSucceeded ? QString() : outcome.lastOutput, outcome.notes);

    m_state.CurrentRow = row + 1;
    if (m_jobs.hasRow(m_state.CurrentRow)) {
        startNextJob();
        return;
    }
    if (m_jobs.rowCount() >= m_state.CurrentRow) {
        if (m_edition.IsFileMode())
            markFinished(m_jobs.rowCount() - 1);
        else if (m_ranRow >= 0)
            markFinished(m_ranRow);
    }
    endBatch(m_jobs.rowCount() < m_state.CurrentRow);
}

void Batch::endBatch(bool stopped)
{
    m_state.Converting = false;
    m_ranRow = -1;
    if (!stopped) {
        m_bar.setVisible(false);
        runFinishAction();
    }
    emit batchEnded(stopped);
}

void Batch::runFinishAction()
{
    switch (m_state.FinishAction) {
    case 1:
        m_shell.openFolder(m_state.OutputFolder);
        break;
    case 2:
        m_shell.shutDown();
        break;
    default:
        break;
    }
}

void Batch::StopConversion()
{
    // A Convert chosen while a stopped job was ending is called off too.
    m_convertWhenStopped = false;
    if (!m_state.Converting)
        return;
    m_jobs.setStatus(m_state.CurrentRow, JobStatus::Stopped);
    m_bar.setVisible(false);
    m_state.CurrentRow = m_jobs.rowCount() + 1;
    m_state.Converting = false;
    if (m_runner.Timer2().isActive())
        m_runner.Timer2().stop();
    // The encoder's completion comes once it has closed its file, and ends
    // the batch.
    m_runner.stop();
}

} // namespace transcast
