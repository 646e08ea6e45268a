#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "common/managedprocess.h"
#include "sources/probereportparser.h"

namespace transcast
{

// Runs the encoder on a source with only an input (`register.dat -i PATH`)
// and reads its report in 2048-byte blocks, on the main thread. `isProbing()` is
// true from the start until the encoder's exit has been handled; `finished`
// is emitted then. Nothing here waits: the caller goes on from the signal.
class SourceProbe : public QObject
{
    Q_OBJECT
public:
    // The encoder's report is read, and parsed, in blocks of this size.
    static constexpr qint64 BlockSize = 2048;

    SourceProbe(QString encoderPath, QString workFolder, QObject* parent = nullptr);
    ~SourceProbe() override;

    // Starts a probe and returns at once. A probe that runs longer than
    // `timeoutMs` (0: no limit of its own; the caller may call timeOut) is
    // killed as timeOut does.
    void probe(const QString& path, int timeoutMs = 0);
    // Kills a running probe as one whose time, afterMs, ran out: its file
    // gets no row, and failureReason says so.
    void timeOut(int afterMs);

    bool isProbing() const { return m_probing; }
    const ProbeResult& result() const { return m_parser.result(); }
    // Everything the encoder wrote for the last probe, as it arrived: for a
    // file it cannot read, its reason (the file gets no row).
    const QByteArray& report() const { return m_report; }

    // The encoder itself could not be started (missing, not executable):
    // every file would fail alike, so the caller says so once.
    bool encoderStartFailed() const { return !m_startError.isEmpty(); }
    // "Cannot start the encoder PATH: REASON" after such a failure.
    QString encoderStartError() const;
    // Why the last probe gave no report: the encoder's last line ("PATH: No
    // such file or directory"), "PATH: timed out after N s", or the start
    // failure.
    QString failureReason() const;

    // Why a probe of `path` that printed `report` gave no result: the
    // report's last line, or that the encoder cannot read the file.
    static QString reasonFromReport(const QString& path, const QByteArray& report);
    // "PATH: timed out after N s".
    static QString timedOutReason(const QString& path, int afterMs);

    // The joined text of the probe call, as the user would type it.
    QString commandLine(const QString& path) const;

signals:
    void finished();

private:
    void readBlock(const QByteArray& block);
    void finish(const ManagedProcess::Exit& exit);

    QString m_encoderPath;
    QString m_workFolder;
    ManagedProcess m_encoder{BlockSize};
    ProbeReportParser m_parser;
    QTimer m_timer;
    QByteArray m_report;
    QString m_path;
    QString m_startError;
    int m_timeoutMs = 0;
    bool m_probing = false;
    bool m_timedOut = false;
};

} // namespace transcast
