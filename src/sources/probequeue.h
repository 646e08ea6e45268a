#pragma once

#include <functional>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>

#include "sources/probereportparser.h"

namespace transcast
{

class ProbeWorker;

// Probes many files at once, one encoder per core, and hands the results over
// in the order the files were given: adding a folder of two hundred clips
// waits on one probe per core instead of one after the other, while the rows
// still appear in name order. Runs on the main thread; the window's events
// keep flowing while it waits.
class ProbeQueue : public QObject
{
    Q_OBJECT
public:
    struct Outcome {
        QString path;
        ProbeResult result;
        QString failureReason; // why a file without a result got none
        QString startError;    // the encoder itself could not be started
    };

    ProbeQueue(QString encoderPath, QString workFolder, QObject* parent = nullptr);
    ~ProbeQueue() override;

    // How many probes run at once: TRANSCAST_PROBES when it holds a positive
    // number (the benchmarks compare 1 with the default), else one per core.
    static int defaultWidth();

    // Probes every path, at most `width` at a time (0: defaultWidth()), and
    // calls `deliver` for each in the order given, as soon as it and all the
    // earlier ones have ended. A probe that runs longer than timeoutMs is
    // killed and delivered without a result. Returns when all are delivered.
    void run(const QStringList& paths, const std::function<void(const Outcome&)>& deliver,
             int width = 0, int timeoutMs = 60000);

private:
    QString m_encoderPath;
    QString m_workFolder;
};

} // namespace transcast
