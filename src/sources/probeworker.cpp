#include "sources/probeworker.h"

#include <algorithm>

#include <QFile>

#include "common/textutil.h"
#include "sources/sourceprobe.h"

namespace transcast
{

namespace
{

// An answer's header: "REPORT <bytes>\n". Reports are at most 2048 bytes; a
// header that says more, or is no header at all, is not our encoder speaking.
constexpr int kMaxHeader = 32;
constexpr int kMaxReport = 1 << 16;
// The server's answers are taken as they come, in blocks of any size.
constexpr qint64 kReadSize = 1 << 16;

} // namespace

AnswerCut cutAnswer(QByteArray& pending, QByteArray& report)
{
    static const QByteArray header = QByteArrayLiteral("REPORT ");
    const int newline = pending.indexOf('\n');
    if (newline < 0)
        return pending.size() <= kMaxHeader && header.startsWith(pending.left(header.size()))
                   ? AnswerCut::Incomplete
                   : AnswerCut::Invalid;
    if (newline > kMaxHeader || !pending.startsWith(header))
        return AnswerCut::Invalid;
    const QByteArray digits = pending.mid(header.size(), newline - header.size());
    const bool allDigits =
        !digits.isEmpty() &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    const auto length = allDigits ? parseInt32(QString::fromLatin1(digits)) : std::nullopt;
    if (!length || *length > kMaxReport)
        return AnswerCut::Invalid;
    if (pending.size() - (newline + 1) < *length)
        return AnswerCut::Incomplete;
    report = pending.mid(newline + 1, *length);
    pending.remove(0, newline + 1 + *length);
    return AnswerCut::Whole;
}

ProbeWorker::ProbeWorker(QString encoderPath, QString workFolder, QObject* parent)
    : QObject(parent), m_encoderPath(std::move(encoderPath)), m_workFolder(std::move(workFolder)),
      m_server(kReadSize)
{
    connect(&m_server, &ManagedProcess::received, this, &ProbeWorker::readAnswers);
    connect(&m_server, &ManagedProcess::ended, this, &ProbeWorker::serverEnded);
    if (qEnvironmentVariable("TRANSCAST_PROBE_SERVER") == QLatin1String("0"))
        fallBack();
}

ProbeWorker::~ProbeWorker()
{
    stopServer();
}

void ProbeWorker::fallBack()
{
    if (m_single)
        return;
    m_single = std::make_unique<SourceProbe>(m_encoderPath, m_workFolder);
    connect(m_single.get(), &SourceProbe::finished, this, [this] {
        m_probing = false;
        emit finished();
    });
}

void ProbeWorker::probe(const QString& path)
{
    Q_ASSERT(!m_probing);
    m_path = path;
    m_probing = true;
    if (m_single) {
        m_single->probe(path);
        return;
    }
    m_parser.reset();
    m_report.clear();
    m_failure.clear();
    if (!m_server.isRunning())
        startServer();
    if (m_server.isRunning())
        m_server.write(QFile::encodeName(path) + '\0');
}

void ProbeWorker::startServer()
{
    m_served = false;
    m_pending.clear();
    m_server.start(m_encoderPath, {QStringLiteral("--probe-server")}, m_workFolder,
                   ManagedProcess::Output::StandardOutput);
}

void ProbeWorker::stopServer()
{
    // Nothing is in flight when a run ends; a probe that is, dies with it.
    m_server.abandon();
}

void ProbeWorker::readAnswers(const QByteArray& block)
{
    m_pending += block;
    for (;;) {
        QByteArray report;
        const AnswerCut cut =
            m_pending.isEmpty() ? AnswerCut::Incomplete : cutAnswer(m_pending, report);
        if (cut == AnswerCut::Incomplete)
            return;
        if (cut == AnswerCut::Invalid || !m_probing) {
            // Not our encoder's answer: ask it one file at a time instead.
            stopServer();
            fallBack();
            if (m_probing)
                m_single->probe(m_path);
            return;
        }
        m_served = true;
        answer(report);
    }
}

void ProbeWorker::answer(const QByteArray& report)
{
    m_report = report;
    // Fed in the blocks the one-file probe reads, so that both read alike.
    for (qint64 at = 0; at < report.size(); at += SourceProbe::BlockSize)
        m_parser.feed(report.mid(at, SourceProbe::BlockSize));
    m_probing = false;
    emit finished();
}

void ProbeWorker::serverEnded()
{
    // Its last answers have been read by now.
    if (!m_probing)
        return; // the next probe starts a new one
    if (!m_served) {
        // It never answered: not an encoder that serves, or not one at all.
        // The one-file probe says which, in its own words.
        fallBack();
        m_single->probe(m_path);
        return;
    }
    m_parser.reset();
    m_failure = m_path + QStringLiteral(": the encoder ended while reading it");
    answer(QByteArray());
}

void ProbeWorker::timeOut(int afterMs)
{
    if (m_single) {
        m_single->timeOut(afterMs);
        return;
    }
    if (!m_probing)
        return;
    stopServer();
    m_parser.reset();
    m_report.clear();
    m_failure = SourceProbe::timedOutReason(m_path, afterMs);
    m_probing = false;
    emit finished();
}

const ProbeResult& ProbeWorker::result() const
{
    return m_single ? m_single->result() : m_parser.result();
}

QString ProbeWorker::failureReason() const
{
    if (m_single)
        return m_single->failureReason();
    return m_failure.isEmpty() ? SourceProbe::reasonFromReport(m_path, m_report) : m_failure;
}

bool ProbeWorker::encoderStartFailed() const
{
    return m_single && m_single->encoderStartFailed();
}

QString ProbeWorker::encoderStartError() const
{
    return m_single ? m_single->encoderStartError() : QString();
}

} // namespace transcast
