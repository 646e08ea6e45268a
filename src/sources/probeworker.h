#pragma once

#include <memory>

#include <QByteArray>
#include <QObject>
#include <QString>

#include "common/managedprocess.h"
#include "sources/probereportparser.h"

namespace transcast
{

class SourceProbe;

// A serving encoder answers each path with "REPORT <bytes>\n" and the report.
// Cuts the first answer from the front of `pending` into `report`: Whole when
// it has all arrived, Incomplete while it is on its way, Invalid when the
// text is no such answer (not our encoder speaking). Only a Whole answer is
// taken from `pending`.
enum class AnswerCut { Incomplete, Invalid, Whole };
AnswerCut cutAnswer(QByteArray& pending, QByteArray& report);

// Probes files one after another through one encoder that stays up
// ("register.dat --probe-server"): the encoder loads its media libraries once
// instead of once per file, which is most of what a probe of a small file
// costs. Each answer is the report the one-file call prints, read by the same
// rules. An encoder that does not serve (it fails to start, or ends before its
// first answer) is probed one file at a time, as SourceProbe does, from then
// on. TRANSCAST_PROBE_SERVER=0 asks for that from the start.
class ProbeWorker : public QObject
{
    Q_OBJECT
public:
    ProbeWorker(QString encoderPath, QString workFolder, QObject* parent = nullptr);
    ~ProbeWorker() override;

    // Starts a probe and returns at once; finished() follows.
    void probe(const QString& path);
    // Kills the running probe as one whose time, afterMs, ran out: its file
    // gets no result, and failureReason says so. The next probe starts a new
    // encoder.
    void timeOut(int afterMs);

    const ProbeResult& result() const;
    QString failureReason() const;
    bool encoderStartFailed() const;
    QString encoderStartError() const;

signals:
    void finished();

private:
    void startServer();
    void readAnswers(const QByteArray& block);
    void serverEnded();
    void stopServer();
    void answer(const QByteArray& report);
    void fallBack();

    QString m_encoderPath;
    QString m_workFolder;
    ManagedProcess m_server;
    std::unique_ptr<SourceProbe> m_single; // once the encoder does not serve
    bool m_served = false;                 // the running encoder has answered
    ProbeReportParser m_parser;
    QByteArray m_pending; // the encoder's output not yet taken as answers
    QByteArray m_report;
    QString m_path;
    QString m_failure;
    bool m_probing = false;
};

} // namespace transcast
