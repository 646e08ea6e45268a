#include "common/managedprocess.h"

#include <csignal>

#include <QProcess>

#include <unistd.h>

namespace transcast
{

namespace
{

// How long a killed child may take to be reaped before we stop waiting.
constexpr int kReapMs = 3000;

} // namespace

QString ManagedProcess::Exit::startFailure() const
{
    // Qt names the failing call ("execvp: Permission denied").
    QString reason = errorString;
    const int colon = static_cast<int>(reason.indexOf(QLatin1String(": ")));
    if (reason.startsWith(QLatin1String("exec")) && colon >= 0)
        reason = reason.mid(colon + 2);
    return reason.isEmpty() ? QStringLiteral("unknown error") : reason;
}

ManagedProcess::ManagedProcess(qint64 blockSize, QObject* parent)
    : QObject(parent), m_blockSize(blockSize)
{
    m_grace.setSingleShot(true);
    connect(&m_grace, &QTimer::timeout, this, &ManagedProcess::graceEnded);
}

ManagedProcess::~ManagedProcess()
{
    if (!m_process)
        return;
    m_process->disconnect(this);
    // A child asked to end is closing its output: a program that ends right
    // after a stop lets it finish.
    if (m_stopStep == 1)
        m_process->waitForFinished(m_graceMs);
    m_process->kill();
    m_process->waitForFinished(kReapMs);
}

void ManagedProcess::start(const QString& program, const QStringList& arguments,
                           const QString& workFolder, Output output, const QStringList& environment)
{
    Q_ASSERT(!m_process);
    m_stopStep = 0;
    m_killed = false;
    m_process = new QProcess(this);
    // A terminal sends Ctrl-C to its whole foreground group: the child gets
    // a group of its own, so that it ends only when we end it, and then
    // cleanly. Runs between fork and exec: async-signal-safe calls only.
    m_process->setChildProcessModifier([] {
        setpgid(0, 0);
        sigset_t none;
        sigemptyset(&none);
        pthread_sigmask(SIG_SETMASK, &none, nullptr);
    });
    if (output == Output::Merged)
        m_process->setProcessChannelMode(QProcess::MergedChannels);
    else
        m_process->setStandardErrorFile(QProcess::nullDevice());
    m_process->setWorkingDirectory(workFolder);
    if (!environment.isEmpty()) {
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : environment) {
            const qsizetype equals = entry.indexOf(QLatin1Char('='));
            variables.insert(entry.left(equals), entry.mid(equals + 1));
        }
        m_process->setProcessEnvironment(variables);
    }
    connect(m_process, &QProcess::readyReadStandardOutput, this, &ManagedProcess::readBlocks);
    connect(m_process, &QProcess::finished, this, [this] { finish(true); });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(false);
    });
    m_process->start(program, arguments, QIODevice::ReadWrite);
}

void ManagedProcess::write(const QByteArray& data)
{
    if (m_process)
        m_process->write(data);
}

void ManagedProcess::readBlocks()
{
    // A handler may abandon the run, or end it and start the next one.
    QProcess* const process = m_process;
    while (process && m_process == process && process->bytesAvailable() > 0)
        emit received(process->read(m_blockSize));
}

QProcess* ManagedProcess::release()
{
    QProcess* process = m_process;
    m_process = nullptr;
    m_grace.stop();
    if (process) {
        process->disconnect(this);
        process->deleteLater();
    }
    return process;
}

void ManagedProcess::finish(bool started)
{
    QProcess* const process = m_process;
    if (!process)
        return;
    Exit exit;
    exit.started = started;
    exit.stopped = m_stopStep > 0 || m_killed;
    if (started) {
        // Whatever the child wrote before it ended belongs to this run.
        readBlocks();
        if (m_process != process)
            return; // abandoned while its last words were read
        // A child that never ended (given up after the grace) counts as
        // killed.
        exit.crashed = process->state() != QProcess::NotRunning ||
                       process->exitStatus() == QProcess::CrashExit;
        exit.exitCode = process->exitCode();
    } else {
        exit.errorString = process->errorString();
    }
    release();
    m_stopStep = 0;
    m_killed = false;
    emit ended(exit);
}

void ManagedProcess::stop(int graceMs)
{
    if (!m_process || m_stopStep > 0)
        return;
    m_stopStep = 1;
    m_graceMs = graceMs;
    m_process->terminate();
    m_grace.start(graceMs);
}

void ManagedProcess::graceEnded()
{
    if (!m_process)
        return;
    if (m_stopStep == 1) {
        m_stopStep = 2;
        m_process->kill();
        m_grace.start(m_graceMs);
        return;
    }
    finish(true); // gone from our view even if it never ends
}

void ManagedProcess::kill()
{
    if (!m_process)
        return;
    m_killed = true;
    m_process->kill();
}

void ManagedProcess::abandon()
{
    QProcess* const process = release();
    m_stopStep = 0;
    m_killed = false;
    if (!process)
        return;
    process->kill();
    process->waitForFinished(kReapMs);
}

} // namespace transcast
