#include "sources/sourceprobe.h"

#include <QRegularExpression>

#include "common/textutil.h"

namespace transcast
{

SourceProbe::SourceProbe(QString encoderPath, QString workFolder, QObject* parent)
    : QObject(parent), m_encoderPath(std::move(encoderPath)), m_workFolder(std::move(workFolder))
{
    connect(&m_encoder, &ManagedProcess::received, this, &SourceProbe::readBlock);
    connect(&m_encoder, &ManagedProcess::ended, this, &SourceProbe::finish);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { timeOut(m_timer.interval()); });
}

SourceProbe::~SourceProbe() = default;

QString SourceProbe::commandLine(const QString& path) const
{
    return quoteArgument(m_encoderPath) + QStringLiteral(" -i ") + quoteArgument(path);
}

void SourceProbe::probe(const QString& path, int timeoutMs)
{
    Q_ASSERT(!m_probing);
    m_parser.reset();
    m_report.clear();
    m_path = path;
    m_startError.clear();
    m_probing = true;
    m_timedOut = false;

    m_encoder.start(m_encoderPath, {QStringLiteral("-i"), path}, m_workFolder);
    if (timeoutMs > 0 && m_probing)
        m_timer.start(timeoutMs);
}

void SourceProbe::readBlock(const QByteArray& block)
{
    m_report += block;
    m_parser.feed(block);
}

void SourceProbe::finish(const ManagedProcess::Exit& exit)
{
    if (!exit.started)
        m_startError = exit.startFailure();
    if (m_timedOut)
        m_parser.reset(); // half a report is no report
    m_timer.stop();
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
    if (m_encoder.isRunning()) {
        m_timedOut = true;
        m_encoder.kill();
    }
}

} // namespace transcast
