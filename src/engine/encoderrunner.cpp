#include "engine/encoderrunner.h"

#include <QProcess>

#include "common/controllerstate.h"
#include "common/textutil.h"
#include "engine/progressmodel.h"
#include "sources/joblist.h"

namespace transcast
{

namespace
{
constexpr qint64 kBlockSize = 256;
constexpr int kTailSize = 4096;
// A job says a few things about itself; a flood of such lines is cut here.
constexpr int kMaxNotes = 8;
constexpr int kMaxLineSize = 1024;
} // namespace

EncoderRunner::EncoderRunner(ControllerState& state, JobList& jobs, ProgressModel& bar,
                             QObject* parent)
    : QObject(parent), m_state(state), m_jobs(jobs), m_bar(bar)
{
    m_timer2.setInterval(1000);
    connect(&m_timer2, &QTimer::timeout, this, &EncoderRunner::timer2Tick);
}

EncoderRunner::~EncoderRunner()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(3000);
    }
}

void EncoderRunner::LaunchEncoder(const ConversionJob& job)
{
    Q_ASSERT(!m_process);
    m_jobDuration = job.Seconds;
    m_scanner.clear();
    m_tail.clear();
    m_partialLine.clear();
    m_notes.clear();

    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setWorkingDirectory(job.WorkFolder);
    connect(m_process, &QProcess::readyRead, this, &EncoderRunner::readBlocks);
    connect(m_process, &QProcess::finished, this, [this] { finish(true); });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(false);
    });
    // Nothing is ever written to the encoder's input; it stays open, as an
    // unused pipe, until the job ends.
    m_process->start(job.EncoderFile, job.arguments(), QIODevice::ReadWrite);
}

void EncoderRunner::rememberOutput(const QByteArray& block)
{
    m_tail += block;
    if (m_tail.size() > kTailSize)
        m_tail.remove(0, m_tail.size() - kTailSize);
}

void EncoderRunner::collectNotes(const QByteArray& block, bool atEnd)
{
    static const QByteArray prefix = QByteArrayLiteral("register.dat: ");
    m_partialLine += block;
    qsizetype start = 0;
    for (;;) {
        qsizetype end = m_partialLine.size();
        for (qsizetype i = start; i < m_partialLine.size(); ++i) {
            if (m_partialLine[i] == '\n' || m_partialLine[i] == '\r') {
                end = i;
                break;
            }
        }
        if (end == m_partialLine.size() && !atEnd)
            break;
        const QByteArray line = m_partialLine.mid(start, end - start);
        if (line.startsWith(prefix) && m_notes.size() < kMaxNotes)
            m_notes << QString::fromLocal8Bit(line).trimmed();
        start = end + 1;
        if (start >= m_partialLine.size())
            break;
    }
    m_partialLine.remove(0, qMin(start, m_partialLine.size()));
    // A line that never ends is not a note.
    if (m_partialLine.size() > kMaxLineSize)
        m_partialLine.clear();
}

void EncoderRunner::scan(const QByteArray& block)
{
    for (const int seconds : m_scanner.feed(block)) {
        if (m_timer2.isActive())
            m_timer2.stop();
        const int remaining = ProgressModel::kMaximum - m_progressOffset;
        ShowProgress(MulDiv(seconds, remaining, m_jobDuration));
    }
}

void EncoderRunner::readBlocks()
{
    while (m_process && m_process->bytesAvailable() > 0) {
        const QByteArray block = m_process->read(kBlockSize);
        rememberOutput(block);
        collectNotes(block, false);
        scan(block);
    }
}

void EncoderRunner::ShowProgress(int value)
{
    if (!m_timer2.isActive())
        value += m_progressOffset;
    // A job of unknown length (0 s) or a report past its end stays on the
    // scale rather than showing a negative or overlong bar.
    value = qBound(0, value, ProgressModel::kMaximum);
    m_bar.setValue(value);
    if (m_state.CurrentRow > m_jobs.rowCount() - 1)
        return;
    m_jobs.setSubItem(m_state.CurrentRow, JobList::StatusColumn,
                      QString::fromLatin1(percentText(value)));
}

void EncoderRunner::timer2Tick()
{
    ++m_progressOffset;
    ShowProgress(m_progressOffset);
}

void EncoderRunner::finish(bool started)
{
    if (!m_process)
        return;
    Outcome outcome;
    outcome.started = started;
    if (started) {
        readBlocks();
        collectNotes(QByteArray(), true);
        outcome.notes = m_notes;
        outcome.crashed = m_process->exitStatus() == QProcess::CrashExit;
        outcome.exitCode = m_process->exitCode();
    } else {
        m_tail = m_process->errorString().toLocal8Bit();
    }
    outcome.lastOutput = failureReason(m_tail);

    QProcess* process = m_process;
    m_process = nullptr;
    process->disconnect(this);
    process->deleteLater();

    if (m_timer2.isActive())
        m_timer2.stop();
    ShowProgress(0);
    emit jobCompleted(outcome);
}

QString EncoderRunner::failureReason(const QByteArray& output)
{
    QString text = QString::fromLocal8Bit(output);
    const QStringList lines = text.replace(QLatin1Char('\r'), QLatin1Char('\n'))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (line->trimmed().isEmpty() || line->front().isSpace() ||
            ParseProgress(line->toLocal8Bit()) != 0 || line->startsWith(QLatin1String("frame=")))
            continue;
        return line->trimmed();
    }
    return QString();
}

void EncoderRunner::kill()
{
    if (!m_process)
        return;
    m_process->terminate();
    if (!m_process->waitForFinished(kStopGraceMs)) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
    if (m_process)
        finish(true); // the process is gone from our view even if the wait timed out
}

} // namespace transcast
