#pragma once

#include <vector>

#include <QObject>
#include <QString>

#include "preview/mpvinstance.h"
#include "preview/previewframe.h"

namespace transcast
{

class StreamProtocol;

// Takes the first picture of a source through libmpv, without a window and
// without sound, for the still picture of the selected row. One instance is
// kept for every request; a new request replaces one still running.
//
// Main thread only; results come through signals, on the main thread.
class FrameGrabber : public QObject
{
    Q_OBJECT
public:
    explicit FrameGrabber(QObject* parent = nullptr);
    ~FrameGrabber() override;

    // As PreviewPlayer::addStreamProtocol, for the instances started later.
    void addStreamProtocol(StreamProtocol* protocol) { m_protocols.push_back(protocol); }

    // Starts taking the first picture of `source` (a path or a protocol
    // address); grabbed() or failed() follows, unless another request or
    // cancel() comes first.
    void grab(const QString& source);
    void cancel();
    // The request running, empty when none.
    QString pending() const { return m_source; }

signals:
    void grabbed(const QString& source, const transcast::PreviewFrame& frame);
    void failed(const QString& source, const QString& reason);

private:
    void onEvent(mpv_event& event);
    void takePicture();
    void finish();

    MpvInstance m_mpv;
    std::vector<StreamProtocol*> m_protocols;
    QString m_source;
    // mpv has started on the request's file.
    bool m_loaded = false;
    // mpv's playlist entry of the request.
    qint64 m_entry = -1;
};

} // namespace transcast
