#include "sources/sourceprobe.h"

#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include "common/interruptwatcher.h"
#include "common/textutil.h"

namespace transcast
{

SourceProbe::SourceProbe(QString encoderPath, QString workFolder, QObject* parent)
    : QObject(parent), m_encoderPath(std::move(encoderPath)), m_workFolder(std::move(workFolder))
{
}

SourceProbe::~SourceProbe()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(3000);
    }
}

QString SourceProbe::commandLine(const QString& path) const
{
    return QuoteArgument(m_encoderPath) + QStringLiteral(" -i ") + QuoteArgument(path);
}

void SourceProbe::probe(const QString& path)
{
    Q_ASSERT(!m_probing);
    m_parser.reset();
    m_report.clear();
    m_path = path;
    m_startError.clear();
    m_probing = true;
    m_timedOut = false;

    m_process = new QProcess(this);
    InterruptWatcher::detachFromTerminal(*m_process);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setWorkingDirectory(m_workFolder);
    connect(m_process, &QProcess::readyRead, this, &SourceProbe::readBlocks);
    connect(m_process, &QProcess::finished, this, &SourceProbe::finish);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            // Qt names the failing call ("execvp: Permission denied").
            QString reason = m_process->errorString();
            const int colon = reason.indexOf(QLatin1String(": "));
            if (reason.startsWith(QLatin1String("exec")) && colon >= 0)
                reason = reason.mid(colon + 2);
            m_startError = reason.isEmpty() ? QStringLiteral("unknown error") : reason;
            finish();
        }
    });
    m_process->start(m_encoderPath, {QStringLiteral("-i"), path});
}

void SourceProbe::readBlocks()
{
    while (m_process && m_process->bytesAvailable() > 0) {
        const QByteArray block = m_process->read(BlockSize);
        m_report += block;
        m_parser.feed(block);
    }
}

void SourceProbe::finish()
{
    if (!m_process)
        return;
    // Whatever the encoder wrote before it ended still belongs to the report.
    readBlocks();
    if (m_timedOut)
        m_parser.reset(); // half a report is no report
    QProcess* process = m_process;
    m_process = nullptr;
    process->disconnect(this);
    process->deleteLater();
    m_probing = false;
    emit finished();
}

QString SourceProbe::encoderStartError() const
{
    return QStringLiteral("Cannot start the encoder %1: %2").arg(m_encoderPath, m_startError);
}

QString SourceProbe::failureReason() const
{
    if (encoderStartFailed())
        return encoderStartError();
    if (m_timedOut)
        return timedOutReason(m_path, m_timeoutMs);
    return reasonFromReport(m_path, m_report);
}

QString SourceProbe::reasonFromReport(const QString& path, const QByteArray& report)
{
    const QStringList lines = QString::fromLocal8Bit(report).split(
        QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (!line->trimmed().isEmpty())
            return line->trimmed();
    }
    return path + QStringLiteral(": the encoder cannot read it");
}

QString SourceProbe::timedOutReason(const QString& path, int afterMs)
{
    return QStringLiteral("%1: timed out after %2 s")
        .arg(path, QString::number(afterMs / 1000.0, 'g', 4));
}

void SourceProbe::timeOut(int afterMs)
{
    m_timeoutMs = afterMs;
    if (m_process) {
        m_timedOut = true;
        m_process->kill();
    }
}

void SourceProbe::wait(int timeoutMs)
{
    if (!m_probing)
        return;
    m_timeoutMs = timeoutMs;
    QEventLoop loop;
    connect(this, &SourceProbe::finished, &loop, &QEventLoop::quit);
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, [this, timeoutMs] { timeOut(timeoutMs); });
    timer.start(timeoutMs);
    if (m_probing)
        loop.exec();
}

} // namespace transcast
