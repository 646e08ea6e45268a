#include "preview/previewplayer.h"

#include <cstring>

#include <QByteArray>

#include <mpv/client.h>

#include "preview/videosurface.h"

namespace transcast
{

PreviewPlayer::PreviewPlayer(QObject* parent)
    : QObject(parent), m_mpv([this](mpv_event& event) { onEvent(event); })
{
}

PreviewPlayer::~PreviewPlayer()
{
    release();
}

void PreviewPlayer::setOption(const QString& name, const QString& value)
{
    m_options.emplace_back(name, value);
}

void PreviewPlayer::addStreamProtocol(StreamProtocol* protocol)
{
    m_protocols.push_back(protocol);
}

bool PreviewPlayer::prepare(VideoSurface* surface)
{
    release();
    m_error.clear();
    MpvInstance::Options options;
    // Pictures go only through the render API into a surface of ours: mpv
    // never opens a window or a graphics context of its own.
    options.emplace_back(QStringLiteral("vo"),
                         surface ? QStringLiteral("libmpv") : QStringLiteral("null"));
    // Decoding stays in software: no graphics driver's decoder libraries are
    // probed (and no complaints printed about missing ones).
    options.emplace_back(QStringLiteral("gpu-hwdec-interop"), QStringLiteral("no"));
    if (!m_audioOutput.isNull())
        options.emplace_back(QStringLiteral("ao"), m_audioOutput);
    // Positions on the source's own clock: the caller measures the start
    // offset itself and seeks on the same scale.
    options.emplace_back(QStringLiteral("rebase-start-time"), QStringLiteral("no"));
    options.insert(options.end(), m_options.begin(), m_options.end());
    if (!m_mpv.start(options, m_protocols)) {
        m_error = m_mpv.errorString();
        return false;
    }
    QString reason;
    if (surface && !surface->attach(m_mpv, &reason)) {
        m_error = tr("The preview cannot show pictures here: %1").arg(reason);
        m_mpv.stop();
        return false;
    }
    m_surface = surface;
    mpv_observe_property(m_mpv.handle(), 0, "time-pos", MPV_FORMAT_DOUBLE);
    // Tracks of a program stream appear as they are met.
    mpv_observe_property(m_mpv.handle(), 0, "track-list/count", MPV_FORMAT_INT64);
    m_startSeconds = 0;
    m_paused = false;
    return true;
}

void PreviewPlayer::setPositionHandler(PositionHandler handler)
{
    m_handler = std::move(handler);
}

void PreviewPlayer::seek(int seconds)
{
    if (!m_playing) {
        m_startSeconds = seconds;
        return;
    }
    const QByteArray target = QByteArray::number(seconds);
    m_mpv.commandAsync({"seek", target.constData(), "absolute"});
}

bool PreviewPlayer::play(const QString& source)
{
    if (!m_mpv.isRunning()) {
        if (m_error.isEmpty())
            m_error = tr("The preview was not prepared.");
        return false;
    }
    if (m_playing) {
        m_error = tr("A preview is already playing.");
        return false;
    }
    m_error.clear();
    const MpvInstance::Opening opening = MpvInstance::openingOf(source, m_protocols);
    if (!opening.refusal.isEmpty()) {
        m_error = tr("Can't play \"%1\": %2").arg(source, opening.refusal);
        return false;
    }
    m_source = source;
    m_audioChosen = false;
    m_subtitleChosen = false;
    m_failed = false;
    m_paused = false;
    const QByteArray address = source.toUtf8();
    QByteArray options = opening.loadOptions;
    if (m_startSeconds > 0)
        options += QByteArray(options.isEmpty() ? "" : ",") +
                   "start=" + QByteArray::number(m_startSeconds);
    const int status =
        m_mpv.command({"loadfile", address.constData(), "replace", options.constData()});
    m_startSeconds = 0;
    if (status < 0) {
        m_error = tr("Can't play \"%1\": %2").arg(source, MpvInstance::reasonFor(status));
        return false;
    }
    m_playing = true;
    return true;
}

void PreviewPlayer::pause()
{
    if (!m_playing)
        return;
    m_paused = !m_paused;
    int flag = m_paused ? 1 : 0;
    mpv_set_property(m_mpv.handle(), "pause", MPV_FORMAT_FLAG, &flag);
}

void PreviewPlayer::stop()
{
    if (!m_mpv.isRunning())
        return;
    m_mpv.command({"stop"});
    endPlayback();
}

void PreviewPlayer::release()
{
    // A playback released before its end has ended all the same.
    endPlayback();
    m_handler = nullptr;
    // The renderer goes before the instance it draws for.
    if (m_surface)
        m_surface->detach();
    m_surface = nullptr;
    m_mpv.stop();
    m_paused = false;
}

void PreviewPlayer::endPlayback()
{
    if (!m_playing)
        return;
    m_playing = false;
    m_paused = false;
    // Told from the event loop: a stop from inside the caller's own handler
    // finds the preview still in place when it returns.
    const bool failed = m_failed;
    const QString error = m_error;
    QMetaObject::invokeMethod(
        this,
        [this, failed, error] {
            if (failed)
                emit this->failed(error);
            else
                emit ended();
        },
        Qt::QueuedConnection);
}

QString PreviewPlayer::propertyText(const QString& name) const
{
    if (!m_mpv.isRunning())
        return {};
    char* text = mpv_get_property_string(m_mpv.handle(), name.toUtf8().constData());
    const QString value = QString::fromUtf8(text);
    mpv_free(text);
    return value;
}

void PreviewPlayer::selectTracks()
{
    if (!m_audioChosen && m_audioSourceId >= 0)
        m_audioChosen = selectTrack("audio", m_audioSourceId, "aid");
    if (!m_subtitleChosen && m_subtitleSourceId >= 0)
        m_subtitleChosen = selectTrack("sub", m_subtitleSourceId, "sid");
}

bool PreviewPlayer::selectTrack(const char* type, int sourceId, const char* property)
{
    mpv_handle* h = m_mpv.handle();
    int64_t count = 0;
    mpv_get_property(h, "track-list/count", MPV_FORMAT_INT64, &count);
    for (int64_t i = 0; i < count; ++i) {
        const QByteArray prefix = "track-list/" + QByteArray::number(i) + "/";
        char* kind = mpv_get_property_string(h, (prefix + "type").constData());
        const bool wanted = kind && std::strcmp(kind, type) == 0;
        mpv_free(kind);
        int64_t id = -1;
        if (!wanted ||
            mpv_get_property(h, (prefix + "src-id").constData(), MPV_FORMAT_INT64, &id) < 0 ||
            id != sourceId ||
            mpv_get_property(h, (prefix + "id").constData(), MPV_FORMAT_INT64, &id) < 0)
            continue;
        mpv_set_property(h, property, MPV_FORMAT_INT64, &id);
        return true;
    }
    return false;
}

void PreviewPlayer::onEvent(mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_FILE_LOADED:
        selectTracks();
        break;
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* property = static_cast<mpv_event_property*>(event.data);
        if (std::strcmp(property->name, "track-list/count") == 0) {
            selectTracks();
            break;
        }
        if (property->format != MPV_FORMAT_DOUBLE || !m_playing || !m_handler)
            break;
        // A copy: the handler may run the window's actions, even end the
        // preview and with it this handler.
        const PositionHandler handler = m_handler;
        handler(*static_cast<double*>(property->data));
        break;
    }
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<mpv_event_end_file*>(event.data);
        // A missing audio or video device is reported at the end, after the
        // rest has played; only a source that could not play fails.
        if (m_playing && end->reason == MPV_END_FILE_REASON_ERROR &&
            end->error != MPV_ERROR_AO_INIT_FAILED && end->error != MPV_ERROR_VO_INIT_FAILED) {
            m_failed = true;
            m_error = tr("Can't play \"%1\": %2").arg(m_source, MpvInstance::reasonFor(end->error));
        }
        endPlayback();
        break;
    }
    case MPV_EVENT_SHUTDOWN:
        endPlayback();
        break;
    default:
        break;
    }
}

} // namespace transcast
