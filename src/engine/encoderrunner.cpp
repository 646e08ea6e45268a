#include "engine/encoderrunner.h"

#include <QFile>

#include "common/textutil.h"
#include "engine/jobbuilder.h"
#include "engine/progressmodel.h"
#include "sources/joblist.h"

namespace transcast
{

namespace
{
constexpr qint64 kBlockSize = 256;
constexpr int kTailSize = 4096;
} // namespace

EncoderRunner::EncoderRunner(JobList& jobs, ProgressModel& bar, QObject* parent)
    : QObject(parent), m_jobs(jobs), m_bar(&bar), m_encoder(kBlockSize), m_check(kBlockSize)
{
    m_checkTimer.setSingleShot(true);
    m_checkTimer.setInterval(kCheckMs);
    connect(&m_checkTimer, &QTimer::timeout, &m_check, &ManagedProcess::kill);
    connect(&m_check, &ManagedProcess::ended, this, &EncoderRunner::partialChecked);
    m_creepTimer.setInterval(1000);
    connect(&m_creepTimer, &QTimer::timeout, this, &EncoderRunner::creepTick);
    connect(&m_encoder, &ManagedProcess::received, this, &EncoderRunner::readBlock);
    connect(&m_encoder, &ManagedProcess::ended, this, &EncoderRunner::finish);
}

// A stopped job's encoder is closing its file: the process helper lets it
// finish when the program ends right after a stop.
EncoderRunner::~EncoderRunner() = default;

void EncoderRunner::launchEncoder(const ConversionJob& job, int row, Creep creep)
{
    Q_ASSERT(!m_encoder.isRunning());
    m_rowId = m_jobs.hasRow(row) ? m_jobs.row(row).id : 0;
    m_jobDuration = job.seconds;
    m_scanner.clear();
    m_tail.clear();
    m_output = job.outputFile;
    m_encoderFile = job.encoderFile;
    m_workFolder = job.workFolder;
    m_reservedOutput = job.reservedOutput;
    // Nothing is ever written to the encoder's input; it stays open, as an
    // unused pipe, until the job ends.
    // Always set, so that a value our own caller left cannot pass for it.
    m_encoder.start(job.encoderFile, job.arguments(), job.workFolder,
                    ManagedProcess::Output::Merged,
                    QStringList{QStringLiteral("TRANSCAST_RESERVED_OUTPUT=") + job.reservedOutput} +
                        job.encoderEnvironment + job.trackEnvironment);
    // A start that failed at once has completed the job already, and the
    // completion may have launched the next one.
    if (creep == Creep::UntilFirstReport && m_rowId != 0 && m_jobs.indexOf(m_rowId) == row &&
        m_encoder.isRunning())
        m_creepTimer.start();
}

void EncoderRunner::rememberOutput(const QByteArray& block)
{
    m_tail += block;
    if (m_tail.size() > kTailSize)
        m_tail.remove(0, m_tail.size() - kTailSize);
}

void EncoderRunner::applyReports(const QList<int>& reports)
{
    for (const int seconds : reports) {
        if (m_creepTimer.isActive())
            m_creepTimer.stop();
        const int remaining = ProgressModel::kMaximum - m_progressOffset;
        showProgress(mulDiv(seconds, remaining, m_jobDuration));
    }
}

void EncoderRunner::readBlock(const QByteArray& block)
{
    rememberOutput(block);
    // A stopped job's last words move nothing: its row reads "Stop"; what
    // it says about its file still counts.
    const QList<int> reports = m_scanner.feed(block);
    if (!m_encoder.isStopping())
        applyReports(reports);
}

void EncoderRunner::showProgress(int value)
{
    if (!m_creepTimer.isActive())
        value += m_progressOffset;
    // A job of unknown length (0 s) or a report past its end stays on the
    // scale rather than showing a negative or overlong bar.
    value = qBound(0, value, ProgressModel::kMaximum);
    m_bar->setValue(value);
    // Found by its identity: a row removed meanwhile takes nothing, and none
    // that took its place can get its progress.
    const int row = m_jobs.indexOf(m_rowId);
    if (row < 0)
        return;
    m_jobs.setStatus(row, JobStatus::Converting, value);
}

void EncoderRunner::creepTick()
{
    ++m_progressOffset;
    showProgress(m_progressOffset);
}

void EncoderRunner::finish(const ManagedProcess::Exit& exit)
{
    Outcome outcome;
    outcome.started = exit.started;
    outcome.stopped = exit.stopped;
    if (exit.started) {
        m_scanner.finish();
        outcome.notes = m_scanner.notes();
        outcome.crashed = exit.crashed;
        outcome.exitCode = exit.exitCode;
    } else {
        m_tail = exit.errorString.toLocal8Bit();
    }
    outcome.lastOutput = failureReason(m_tail);
    if (outcome.succeeded() && !outcome.stopped) {
        outcome.shortfall = shortfallText(m_scanner.lastReportedSeconds(), m_jobDuration);
        if (!outcome.shortfall.isEmpty())
            outcome.lastOutput = outcome.shortfall;
    }

    if (exit.started && exit.crashed) {
        outcome.lastOutput = exit.stopped
                                 ? QStringLiteral("The encoder stopped answering and was ended.")
                                 : QStringLiteral("The encoder was killed before it finished.");
    }

    if (m_creepTimer.isActive())
        m_creepTimer.stop();
    if (outcome.stopped)
        m_bar->setValue(qBound(0, m_progressOffset, ProgressModel::kMaximum));
    else
        showProgress(0);
    // Only the file made for this job is ours to judge: one that took its
    // name may be another program's. An empty one goes with the name.
    if (!outcome.succeeded() && JobBuilder::reservedFileSize(m_output, m_reservedOutput) > 0) {
        m_checked = outcome;
        m_check.start(m_encoderFile, {QStringLiteral("-i"), m_output}, m_workFolder,
                      ManagedProcess::Output::StandardOutput);
        m_checkTimer.start();
        return;
    }
    emit jobCompleted(outcome);
}

void EncoderRunner::partialChecked(const ManagedProcess::Exit& exit)
{
    m_checkTimer.stop();
    Outcome outcome = m_checked;
    // A probe that could not run or took too long tells nothing: the file
    // stays.
    const bool told = exit.started && !exit.crashed && !exit.stopped;
    QString said;
    if (told && exit.exitCode != 0 &&
        JobBuilder::reservedFileSize(m_output, m_reservedOutput) >= 0 && QFile::remove(m_output))
        said = QStringLiteral("The partial file did not play and was removed.");
    else if (outcome.crashed)
        said = QStringLiteral("The partial file is kept.");
    if (!said.isEmpty())
        outcome.lastOutput = outcome.lastOutput.isEmpty() ? said : outcome.lastOutput + u' ' + said;
    emit jobCompleted(outcome);
}

QString EncoderRunner::shortfallText(double outputSeconds, int jobSeconds)
{
    if (outputSeconds < 0 || jobSeconds <= 0)
        return QString();
    if (outputSeconds >= 0.9 * jobSeconds || jobSeconds - outputSeconds <= 2)
        return QString();
    return QStringLiteral("The output holds only %1 s of the source's %2 s: the source was cut "
                          "short or changed while it was converted. The file is kept.")
        .arg(static_cast<int>(outputSeconds))
        .arg(jobSeconds);
}

QString EncoderRunner::failureReason(const QByteArray& output)
{
    QString text = QString::fromLocal8Bit(output);
    const QStringList lines = text.replace(QLatin1Char('\r'), QLatin1Char('\n'))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (line->trimmed().isEmpty() || line->front().isSpace() || isProgressLine(*line))
            continue;
        return line->trimmed();
    }
    return QString();
}

void EncoderRunner::stop()
{
    m_creepTimer.stop();
    m_encoder.stop(kStopGraceMs);
}

} // namespace transcast
