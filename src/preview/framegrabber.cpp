#include "preview/framegrabber.h"

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
    const QString refusal = MpvInstance::refusalOf(source, m_protocols);
    if (!refusal.isEmpty()) {
        fail(refusal);
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
    const QByteArray address = source.toUtf8();
    const int status = m_mpv.command({"loadfile", address.constData()});
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
    int64_t width = 0;
    int64_t height = 0;
    mpv_get_property(m_mpv.handle(), "dwidth", MPV_FORMAT_INT64, &width);
    mpv_get_property(m_mpv.handle(), "dheight", MPV_FORMAT_INT64, &height);
    QSize size(static_cast<int>(width), static_cast<int>(height));
    if (size.isEmpty())
        return {};
    if (size.width() > m_maximumSize.width() || size.height() > m_maximumSize.height())
        size.scale(m_maximumSize, Qt::KeepAspectRatio);
    return size;
}

void FrameGrabber::onUpdate()
{
    if (m_source.isEmpty() || !m_renderer || !m_renderer->hasNewFrame())
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

void FrameGrabber::onEvent(mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_FILE_LOADED: {
        // Sound alone has no picture to wait for.
        char* video = mpv_get_property_string(m_mpv.handle(), "current-tracks/video/id");
        const bool hasVideo = video != nullptr;
        mpv_free(video);
        if (!hasVideo)
            fail(tr("The file has no picture."));
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
