#include "preview/framegrabber.h"

#include <cstring>
#include <utility>

#include <mpv/client.h>

#include "preview/framerenderer.h"

namespace transcast
{

FrameGrabber::FrameGrabber(QObject* parent)
    : QObject(parent), m_mpv([this](mpv_event& event) { onEvent(event); })
{
}

FrameGrabber::~FrameGrabber()
{
    finish();
}

void FrameGrabber::grab(const QString& source)
{
    finish();
    m_source = source;
    const MpvInstance::Opening opening = MpvInstance::openingOf(source, m_protocols);
    if (!opening.refusal.isEmpty()) {
        // Said after the caller has returned, as every other outcome is.
        QMetaObject::invokeMethod(
            this,
            [this, source, reason = opening.refusal] {
                if (m_source == source && !m_renderer)
                    fail(reason);
            },
            Qt::QueuedConnection);
        return;
    }
    // Playing rather than paused: the first picture comes at once, and a
    // later one stands in when the first was handed over while the main
    // thread was busy elsewhere.
    const MpvInstance::Options options = {
        {QStringLiteral("vo"), QStringLiteral("libmpv")},
        {QStringLiteral("ao"), QStringLiteral("null")},
        {QStringLiteral("aid"), QStringLiteral("no")},
        {QStringLiteral("sid"), QStringLiteral("no")},
    };
    QString reason;
    if (!m_mpv.start(options, m_protocols)) {
        fail(m_mpv.errorString());
        return;
    }
    m_renderer = FrameRenderer::software(m_mpv, &reason);
    if (!m_renderer) {
        fail(reason);
        return;
    }
    m_renderer->setUpdateHandler([this] { onUpdate(); });
    m_shownSize = QSize();
    mpv_observe_property(m_mpv.handle(), 0, "dwidth", MPV_FORMAT_INT64);
    mpv_observe_property(m_mpv.handle(), 0, "dheight", MPV_FORMAT_INT64);
    const QByteArray address = source.toUtf8();
    const int status = m_mpv.command(
        {"loadfile", address.constData(), "replace", opening.loadOptions.constData()});
    if (status < 0)
        fail(MpvInstance::reasonFor(status));
}

void FrameGrabber::cancel()
{
    finish();
}

void FrameGrabber::finish()
{
    m_source.clear();
    m_renderer.reset();
    m_mpv.stop();
}

void FrameGrabber::fail(const QString& reason)
{
    const QString source = m_source;
    finish();
    emit failed(source, reason);
}

QSize FrameGrabber::pictureSize() const
{
    QSize size = m_shownSize;
    if (size.isEmpty())
        return {};
    if (size.width() > m_maximumSize.width() || size.height() > m_maximumSize.height())
        size.scale(m_maximumSize, Qt::KeepAspectRatio);
    return size;
}

void FrameGrabber::onUpdate()
{
    // The picture waits until its size is known: asked for now, libmpv's
    // core would answer only once its video output has given up waiting
    // for this very picture to be drawn, a fifth of a second later. The
    // size comes from the file when it is loaded, else from libmpv's
    // report.
    if (m_source.isEmpty() || !m_renderer || m_shownSize.isEmpty() || !m_renderer->hasNewFrame())
        return;
    PreviewFrame frame;
    const QSize size = pictureSize();
    frame.width = size.width();
    frame.height = size.height();
    // Lines aligned to 64 bytes: the renderer's fast path.
    frame.stride = (frame.width * 4 + 63) / 64 * 64;
    frame.pixels = QByteArray(qsizetype(frame.stride) * frame.height, Qt::Uninitialized);
    if (size.isEmpty() ||
        !m_renderer->renderSoftware(frame.pixels.data(), frame.width, frame.height, frame.stride)) {
        fail(tr("The file has no picture."));
        return;
    }
    // Handed over before the instance ends: ending it waits for libmpv's
    // video output, which gives up on the pictures nobody draws only after
    // a fifth of a second each.
    const QString source = std::exchange(m_source, QString());
    emit grabbed(source, frame);
    // Unless the handler has made the next request meanwhile.
    if (m_source.isEmpty())
        finish();
}

QSize FrameGrabber::shownSizeOfTrack() const
{
    // What libmpv's dwidth and dheight will say, from what the file says:
    // the stored size, its pixel shape applied as libmpv applies it, turned
    // as the instance turns it.
    mpv_handle* mpv = m_mpv.handle();
    int64_t width = 0, height = 0, rotation = 0;
    double pixelAspect = 1;
    mpv_get_property(mpv, "current-tracks/video/demux-w", MPV_FORMAT_INT64, &width);
    mpv_get_property(mpv, "current-tracks/video/demux-h", MPV_FORMAT_INT64, &height);
    mpv_get_property(mpv, "current-tracks/video/demux-par", MPV_FORMAT_DOUBLE, &pixelAspect);
    mpv_get_property(mpv, "current-tracks/video/demux-rotation", MPV_FORMAT_INT64, &rotation);
    if (width <= 0 || height <= 0 || !(pixelAspect > 0))
        return {};
    QSize size(static_cast<int>(width), static_cast<int>(height));
    if (pixelAspect > 1)
        size.setWidth(qRound(width * pixelAspect));
    else if (pixelAspect < 1)
        size.setHeight(qRound(height / pixelAspect));
    return rotation == 90 || rotation == 270 ? size.transposed() : size;
}

void FrameGrabber::onEvent(mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_FILE_LOADED: {
        // Sound alone has no picture to wait for.
        char* video = mpv_get_property_string(m_mpv.handle(), "current-tracks/video/id");
        const bool hasVideo = video != nullptr;
        mpv_free(video);
        if (!hasVideo) {
            fail(tr("The file has no picture."));
            break;
        }
        m_shownSize = shownSizeOfTrack();
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* property = static_cast<mpv_event_property*>(event.data);
        if (property->format != MPV_FORMAT_INT64)
            break;
        // Only where the file did not tell: see shownSizeOfTrack.
        const int value = static_cast<int>(*static_cast<int64_t*>(property->data));
        if (value <= 0)
            break;
        if (std::strcmp(property->name, "dwidth") == 0)
            m_shownSize.setWidth(value);
        else if (std::strcmp(property->name, "dheight") == 0)
            m_shownSize.setHeight(value);
        // A picture that came before its size is drawn now.
        onUpdate();
        break;
    }
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<mpv_event_end_file*>(event.data);
        fail(end->reason == MPV_END_FILE_REASON_ERROR ? MpvInstance::reasonFor(end->error)
                                                      : tr("The file has no picture."));
        break;
    }
    default:
        break;
    }
}

} // namespace transcast
