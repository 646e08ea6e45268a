#include "engine/batch.h"

#include <algorithm>
#include <utility>

#include <QTimer>

#include "common/busyguards.h"
#include "common/busystate.h"
#include "common/preferences.h"
#include "common/edition.h"
#include "common/interaction.h"
#include "common/shell.h"
#include "common/textutil.h"
#include "engine/jobbuilder.h"
#include "engine/progressmodel.h"
#include "sources/joblist.h"
#include "sources/sourcelist.h"

namespace transcast
{

// One conversion at a time: a runner, and the row it converts.
struct Batch::Slot {
    EncoderRunner* runner = nullptr;
    std::unique_ptr<EncoderRunner> ownRunner;
    // The bar of a conversion side by side, which no view shows: the
    // batch's bar shows the whole batch then.
    ProgressModel ownBar;
    // The identity (JobRow::id) of the row converting here, or failing at
    // once; 0 when idle. Its index is looked up when it is needed: rows
    // removed while a stopped job closes its file move the row, or take it.
    quint64 rowId = 0;
    bool busy() const { return rowId != 0; }
    // The output name reserved for the row's job.
    QString output;
};

Batch::Batch(const Edition& edition, BusyState& busy, const Preferences& preferences, JobList& jobs,
             JobBuilder& builder, EncoderRunner& runner, ProgressModel& bar,
             Interaction& interaction, Shell& shell, QObject* parent)
    : QObject(parent), m_edition(edition), m_busy(busy), m_preferences(preferences), m_jobs(jobs),
      m_builder(builder), m_runner(runner), m_bar(bar), m_interaction(interaction), m_shell(shell)
{
    auto first = std::make_unique<Slot>();
    first->runner = &m_runner;
    Slot* slot = first.get();
    m_slots.push_back(std::move(first));
    connect(&m_runner, &EncoderRunner::jobCompleted, this,
            [this, slot](const EncoderRunner::Outcome& outcome) { completion(*slot, outcome); });
    connect(&m_jobs, &JobList::rowChanged, this, &Batch::rowChanged);
}

Batch::~Batch() = default;

void Batch::convert()
{
    if (BusyGuards::playingThenConverting(m_busy, m_interaction) ||
        (m_sources && m_sources->isBusy()))
        return;
    if (m_jobs.rowCount() == 0) {
        // Nothing to convert yet: say what is missing rather than do nothing.
        m_interaction.warn(m_edition.isFileMode() ? QStringLiteral("Please add files first")
                                                  : QStringLiteral("Please add a DVD first"));
        return;
    }
    if (anyBusy()) {
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

    m_slotCount = m_preferences.conversionsAtOnce(); // kept in range by the preferences
    while (static_cast<int>(m_slots.size()) < m_slotCount) {
        auto added = std::make_unique<Slot>();
        added->ownRunner = std::make_unique<EncoderRunner>(m_jobs, added->ownBar);
        added->runner = added->ownRunner.get();
        Slot* slot = added.get();
        connect(
            slot->runner, &EncoderRunner::jobCompleted, this,
            [this, slot](const EncoderRunner::Outcome& outcome) { completion(*slot, outcome); });
        m_slots.push_back(std::move(added));
    }
    m_runner.setBar(m_slotCount == 1 ? m_bar : m_slots.front()->ownBar);

    m_currentRow = 0;
    for (const auto& slot : m_slots)
        slot->runner->setProgressOffset(0);
    m_nextRow = 0;
    // A status an earlier batch left is not this batch's: it says so until
    // this batch takes the row.
    for (int row = 0; row < m_jobs.rowCount(); ++row) {
        const JobStatus status = m_jobs.row(row).status;
        if (status != JobStatus::Listed && status != JobStatus::Converting &&
            !m_jobs.row(row).earlierBatch)
            m_jobs.changeRow(row, [](JobRow& record) { record.earlierBatch = true; });
    }
    m_progress.begin();
    if (m_slotCount > 1)
        m_bar.setValue(0);
    m_bar.setVisible(true);
    m_busy.setConverting(true);
    emit convertingChanged(true);
    emit batchStarted();
    startJobs(-1, true);
}

int Batch::nextRow() const
{
    int row = m_nextRow;
    if (!m_edition.isFileMode()) {
        while (m_jobs.hasRow(row) && !m_jobs.row(row).checked)
            ++row;
    }
    return row;
}

void Batch::startJobs(int endedRow, bool succeeded)
{
    // Passed-over rows keep their status; the row that ended is marked with
    // the next row already chosen, as one job at a time always did.
    m_nextRow = nextRow();
    if (m_jobs.hasRow(m_nextRow) || !anyBusy())
        m_currentRow = m_nextRow;
    if (endedRow >= 0)
        markFinished(endedRow, succeeded);
    // A job that cannot start ends inside its launch, and its completion
    // starts the next ones itself: the loop then finds the slots filled.
    while (m_busy.isConverting()) {
        Slot* slot = idleSlot();
        if (!slot)
            break;
        m_nextRow = nextRow();
        if (!m_jobs.hasRow(m_nextRow) || !launchRow(*slot, m_nextRow))
            break;
    }
    updatePending();
    if (m_busy.isConverting() && !anyBusy())
        endBatch(false);
}

bool Batch::launchRow(Slot& slot, int row)
{
    ConversionJob job;
    try {
        job = m_edition.isFileMode() ? m_builder.fileJob(row, true) : m_builder.titleJob(row, true);
    } catch (const InvalidInteger& bad) {
        takeRow(slot, row);
        failJob(slot, bad.message());
        return true;
    }
    if (job.outputFile.isEmpty())
        return false; // its name waits on a running job
    takeRow(slot, row);
    slot.output = job.outputFile;
    m_builder.reserveOutput(slot.output, job.reservedOutput);
    slot.runner->launchEncoder(job, row,
                               m_edition.isFileMode() ? EncoderRunner::Creep::No
                                                      : EncoderRunner::Creep::UntilFirstReport);
    return true;
}

void Batch::takeRow(Slot& slot, int row)
{
    slot.rowId = m_jobs.row(row).id;
    m_nextRow = row + 1;
    m_currentRow = row;
    m_progress.started(slot.rowId, rowSeconds(row));
    // Converting from now on, not from the encoder's first report, which
    // can be seconds away under load: meanwhile the row would show what an
    // earlier batch left, and the kept list would hold it as finished, so
    // that a crash then would lose the job. Nor does what an earlier batch
    // said about the row hold any longer.
    m_jobs.changeRow(row, [](JobRow& record) {
        record.earlierBatch = false;
        record.status = JobStatus::Converting;
        record.progress = 0;
        record.failureReason.clear();
        record.notes.clear();
    });
    updatePending();
    emit jobStarted(row);
}

void Batch::failJob(Slot& slot, const QString& reason)
{
    // Handled as an encoder that could not start, but after the caller has
    // returned, so that the batch never recurses through a long list.
    EncoderRunner::Outcome outcome;
    outcome.lastOutput = reason;
    Slot* failing = &slot;
    QTimer::singleShot(0, this, [this, failing, outcome] { completion(*failing, outcome); });
}

void Batch::markFinished(int row, bool succeeded)
{
    m_jobs.setStatus(row, succeeded ? JobStatus::Finished : JobStatus::Failed);
}

void Batch::completion(Slot& slot, const EncoderRunner::Outcome& outcome)
{
    // -1 for a row gone meanwhile: nothing below writes to it, nor to the
    // row that took its place.
    const quint64 rowId = slot.rowId;
    const int row = m_jobs.indexOf(rowId);
    if (!slot.output.isEmpty()) {
        m_builder.releaseOutput(slot.output);
        slot.output.clear();
    }
    slot.rowId = 0;
    if (outcome.stopped || !m_busy.isConverting()) {
        // A stopped encoder has closed its file (or a job that could not
        // start ended after the stop): the stop is complete when the last
        // of them has.
        if (!outcome.stopped)
            ++m_currentRow;
        // A stop the encoder did not answer says so, and what became of
        // its file.
        if (outcome.crashed)
            m_jobs.setJobReport(row, outcome.lastOutput, {});
        m_progress.ended(rowId, BatchProgress::Outcome::Stopped, QString());
        if (anyBusy())
            return;
        endBatch(true);
        if (m_convertWhenStopped) {
            m_convertWhenStopped = false;
            convert();
        }
        return;
    }
    const bool succeeded = outcome.succeeded();
    m_jobs.setJobReport(row, succeeded ? QString() : outcome.lastOutput, outcome.notes);
    m_progress.ended(rowId,
                     succeeded ? BatchProgress::Outcome::Converted : BatchProgress::Outcome::Failed,
                     m_jobs.caption(row).trimmed());
    startJobs(row, succeeded);
}

void Batch::endBatch(bool stopped)
{
    if (m_busy.setConverting(false))
        emit convertingChanged(false);
    m_progress.end();
    if (!stopped) {
        m_bar.setVisible(false);
        runFinishAction();
    }
    emit batchEnded(stopped);
}

void Batch::runFinishAction()
{
    switch (m_preferences.finishAction()) {
    case 1:
        m_shell.openFolder(m_preferences.outputFolder());
        break;
    case 2:
        m_shell.shutDown();
        break;
    default:
        break;
    }
}

void Batch::stopConversion()
{
    // A Convert chosen while a stopped job was ending is called off too.
    m_convertWhenStopped = false;
    if (!m_busy.isConverting())
        return;
    for (const auto& slot : m_slots) {
        if (slot->busy())
            m_jobs.setStatus(m_jobs.indexOf(slot->rowId), JobStatus::Stopped);
    }
    m_bar.setVisible(false);
    m_currentRow = m_jobs.rowCount() + 1;
    if (m_busy.setConverting(false))
        emit convertingChanged(false);
    if (!anyBusy()) {
        endBatch(true);
        return;
    }
    // Each encoder's completion comes once it has closed its file; the last
    // one ends the batch.
    for (const auto& slot : m_slots) {
        if (slot->busy())
            slot->runner->stop();
    }
}

Batch::Slot* Batch::idleSlot()
{
    for (int i = 0; i < m_slotCount; ++i) {
        if (!m_slots[static_cast<size_t>(i)]->busy())
            return m_slots[static_cast<size_t>(i)].get();
    }
    return nullptr;
}

bool Batch::anyBusy() const
{
    return std::any_of(m_slots.cbegin(), m_slots.cend(),
                       [](const auto& slot) { return slot->busy(); });
}

bool Batch::isConverting() const
{
    return m_busy.isConverting();
}

bool Batch::encodersRunning() const
{
    return std::any_of(m_slots.cbegin(), m_slots.cend(),
                       [](const auto& slot) { return slot->runner->isRunning(); });
}

QVector<int> Batch::runningRows() const
{
    QVector<int> rows;
    for (const auto& slot : m_slots) {
        if (const int row = m_jobs.indexOf(slot->rowId); slot->busy() && row >= 0)
            rows << row;
    }
    // Rows start in list order.
    std::sort(rows.begin(), rows.end());
    return rows;
}

double Batch::rowSeconds(int row) const
{
    const JobRow& record = m_jobs.row(row);
    if (record.isDvd() && record.dvd.lengthMilliseconds > 0)
        return record.dvd.lengthMilliseconds / 1000.0;
    return static_cast<double>(record.source.seconds());
}

void Batch::updatePending()
{
    QVector<double> pending;
    for (int row = m_nextRow; row < m_jobs.rowCount(); ++row) {
        if (m_edition.isFileMode() || m_jobs.row(row).checked)
            pending << rowSeconds(row);
    }
    m_progress.setPending(pending);
}

void Batch::rowChanged(int row)
{
    if (!m_busy.isConverting() || !m_jobs.hasRow(row))
        return;
    const JobRow& record = m_jobs.row(row);
    if (record.status == JobStatus::Converting) {
        m_progress.progressed(record.id, record.progress);
        if (m_slotCount > 1)
            m_bar.setValue(m_progress.value());
    } else if (row >= m_nextRow) {
        updatePending(); // a DVD row ticked or unticked ahead of the batch
    }
}

} // namespace transcast
