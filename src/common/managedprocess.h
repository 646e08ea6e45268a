#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class QProcess;

namespace transcast
{

// One child program at a time, run from the main thread: started outside
// the terminal's process group with no signal blocked, its output handed on
// in blocks of a fixed size, stopped gently or at once without blocking the
// event loop.
//
// Order of events for one run: `received` for every block, in order, then
// `ended` exactly once, after the last block has been handed on. A run that
// the owner abandons ends silently. By the time `ended` is emitted the run
// is over (isRunning is false), so a handler may start the next run.
class ManagedProcess : public QObject
{
    Q_OBJECT
public:
    enum class Output {
        Merged,         // standard output and error as one stream
        StandardOutput, // standard output only; the error output is discarded
    };

    // How a run ended.
    struct Exit {
        bool started = false; // false: the program could not be started
        bool crashed = false; // killed, died of a signal, or given up on
        bool stopped = false; // ended after stop() or kill()
        int exitCode = -1;
        // Qt's text for a start that failed ("execvp: No such file or
        // directory").
        QString errorString;
        // The system's reason alone ("No such file or directory"), or
        // "unknown error".
        QString startFailure() const;
    };

    explicit ManagedProcess(qint64 blockSize, QObject* parent = nullptr);
    // A child still running is killed and reaped (a gently stopped one gets
    // the rest of its grace first, so that it can close its files).
    ~ManagedProcess() override;

    // Starts the program in `workFolder` and returns at once; a start that
    // fails ends the run (`ended` with `started` false). The child's input
    // is an open pipe that write() feeds; `environment` ("NAME=value") is
    // added to ours. Must not be running.
    void start(const QString& program, const QStringList& arguments, const QString& workFolder,
               Output output = Output::Merged, const QStringList& environment = {});
    // From start() until `ended` (or abandon()).
    bool isRunning() const { return m_process != nullptr; }
    void write(const QByteArray& data);

    // Asks the child to end (SIGTERM) and returns at once. When it has not
    // ended after graceMs it is killed; when even that brings no end after
    // another graceMs, the run is given up and ends as killed.
    void stop(int graceMs);
    // stop() was called during this run.
    bool isStopping() const { return m_stopStep > 0; }
    // Kills the child (SIGKILL) and returns at once; `ended` follows.
    void kill();
    // Kills the child, reaps it (waiting up to 3 s) and forgets the run:
    // no more blocks and no `ended`.
    void abandon();

signals:
    void received(const QByteArray& block);
    void ended(const transcast::ManagedProcess::Exit& exit);

private:
    void readBlocks();
    void finish(bool started);
    void graceEnded();
    QProcess* release();

    const qint64 m_blockSize;
    QProcess* m_process = nullptr;
    QTimer m_grace;
    int m_graceMs = 0;
    // 0 running, 1 asked to end, 2 killed after the grace.
    int m_stopStep = 0;
    bool m_killed = false;
};

} // namespace transcast
