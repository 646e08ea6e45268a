#pragma once

#include <QByteArray>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>

#include "common/managedprocess.h"
#include "preview/previewframe.h"

namespace transcast
{

// Takes the first picture of a source in a program of its own
// (transcast-still, beside the executable), so that a source that crashes
// or hangs the video library costs only its picture: the window and its
// list live on, and the request fails with a reason. One request at a
// time; a new one or cancel() ends the one running.
//
// Main thread only; results come through signals, on the main thread.
class StillPictureProcess : public QObject
{
    Q_OBJECT
public:
    // `program`: the path of transcast-still (or of anything that speaks
    // its output).
    explicit StillPictureProcess(QString program, QObject* parent = nullptr);

    // The largest picture delivered; a larger source is scaled down into it,
    // its shape kept.
    void setMaximumSize(const QSize& size) { m_maximumSize = size; }
    // How long a request may take before it is given up (a source that
    // never yields a picture).
    void setTimeLimit(int milliseconds) { m_limit.setInterval(milliseconds); }

    // Starts taking the first picture of `source` (a path or a DVD locator)
    // at the source's display size, upright; grabbed() or failed() follows,
    // unless another request or cancel() comes first.
    void grab(const QString& source);
    void cancel();
    // The request running, empty when none.
    QString pending() const { return m_source; }

    // The picture in the program's output, null when the output is no
    // whole picture.
    static PreviewFrame frameFrom(const QByteArray& output);

signals:
    void grabbed(const QString& source, const transcast::PreviewFrame& frame);
    void failed(const QString& source, const QString& reason);

private:
    void ended(const ManagedProcess::Exit& exit);
    void fail(const QString& reason);

    QString m_program;
    ManagedProcess m_process;
    QTimer m_limit;
    QSize m_maximumSize{1280, 1280};
    QString m_source;
    QByteArray m_output;
};

} // namespace transcast
