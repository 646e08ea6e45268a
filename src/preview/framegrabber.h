#pragma once

#include <memory>
#include <vector>

#include <QObject>
#include <QSize>
#include <QString>

#include "preview/mpvinstance.h"
#include "preview/previewframe.h"

namespace transcast
{

class FrameRenderer;
class StreamProtocol;

// Takes the first picture of a source through libmpv, without sound, drawn
// by libmpv's software renderer as the preview draws its pictures where
// there is no OpenGL. Each request runs in an instance of its own, which
// ends with the request: nothing of a source stays open (or busy) once its
// picture is taken, it failed or it was cancelled.
//
// Main thread only; results come through signals, on the main thread.
class FrameGrabber : public QObject
{
    Q_OBJECT
public:
    explicit FrameGrabber(QObject* parent = nullptr);
    ~FrameGrabber() override;

    // As PreviewPlayer::addStreamProtocol, for the requests made later.
    void addStreamProtocol(StreamProtocol* protocol) { m_protocols.push_back(protocol); }
    // The largest picture delivered; a larger source is scaled down into it,
    // its shape kept.
    void setMaximumSize(const QSize& size) { m_maximumSize = size; }

    // Starts taking the first picture of `source` (a path or a protocol
    // address) at the source's display size (its pixel shape applied);
    // grabbed() or failed() follows, unless another request or cancel()
    // comes first. A handler of grabbed() may make the next request or
    // cancel, but must not destroy the grabber.
    void grab(const QString& source);
    void cancel();
    // The request running, empty when none.
    QString pending() const { return m_source; }

signals:
    void grabbed(const QString& source, const transcast::PreviewFrame& frame);
    void failed(const QString& source, const QString& reason);

private:
    void onEvent(mpv_event& event);
    void onUpdate();
    void fail(const QString& reason);
    void finish();
    QSize pictureSize() const;
    QSize shownSizeOfTrack() const;

    MpvInstance m_mpv;
    std::unique_ptr<FrameRenderer> m_renderer;
    std::vector<StreamProtocol*> m_protocols;
    QSize m_maximumSize{1280, 1280};
    // The picture's size as libmpv shows it (dwidth, dheight), as reported.
    QSize m_shownSize;
    QString m_source;
};

} // namespace transcast
