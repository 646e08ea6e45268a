#include "preview/framegrabber.h"

#include <cstring>

#include <mpv/client.h>

namespace transcast
{

namespace
{

const mpv_node* mapValue(const mpv_node& map, const char* key)
{
    if (map.format != MPV_FORMAT_NODE_MAP)
        return nullptr;
    for (int i = 0; i < map.u.list->num; ++i) {
        if (std::strcmp(map.u.list->keys[i], key) == 0)
            return &map.u.list->values[i];
    }
    return nullptr;
}

int intValue(const mpv_node& map, const char* key)
{
    const mpv_node* value = mapValue(map, key);
    return value && value->format == MPV_FORMAT_INT64 ? static_cast<int>(value->u.int64) : 0;
}

} // namespace

FrameGrabber::FrameGrabber(QObject* parent)
    : QObject(parent), m_mpv([this](mpv_event& event) { onEvent(event); })
{
}

FrameGrabber::~FrameGrabber() = default;

void FrameGrabber::grab(const QString& source)
{
    if (!m_mpv.isRunning()) {
        const MpvInstance::Options options = {
            {QStringLiteral("vo"), QStringLiteral("null")},
            {QStringLiteral("ao"), QStringLiteral("null")},
            {QStringLiteral("aid"), QStringLiteral("no")},
            {QStringLiteral("sid"), QStringLiteral("no")},
            {QStringLiteral("pause"), QStringLiteral("yes")},
            {QStringLiteral("load-scripts"), QStringLiteral("no")},
            {QStringLiteral("ytdl"), QStringLiteral("no")},
        };
        if (!m_mpv.start(options, m_protocols)) {
            emit failed(source, m_mpv.errorString());
            return;
        }
    }
    m_source = source;
    m_loaded = false;
    const QByteArray address = source.toUtf8();
    const char* command[] = {"loadfile", address.constData(), "replace", nullptr};
    mpv_node result;
    if (mpv_command_ret(m_mpv.handle(), command, &result) < 0) {
        finish();
        emit failed(source, tr("The file could not be opened."));
        return;
    }
    const mpv_node* id = mapValue(result, "playlist_entry_id");
    m_entry = id && id->format == MPV_FORMAT_INT64 ? id->u.int64 : -1;
    mpv_free_node_contents(&result);
}

void FrameGrabber::cancel()
{
    if (!m_source.isEmpty())
        finish();
}

void FrameGrabber::finish()
{
    m_source.clear();
    m_loaded = false;
    m_mpv.command({"stop"});
}

void FrameGrabber::onEvent(mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_START_FILE: {
        // A replaced request's events may still come before this one's.
        const auto* start = static_cast<mpv_event_start_file*>(event.data);
        m_loaded = !m_source.isEmpty() && start->playlist_entry_id == m_entry;
        break;
    }
    case MPV_EVENT_PLAYBACK_RESTART:
        if (m_loaded)
            takePicture();
        break;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<mpv_event_end_file*>(event.data);
        if (m_loaded && end->playlist_entry_id == m_entry &&
            end->reason == MPV_END_FILE_REASON_ERROR) {
            const QString source = m_source;
            const QString reason = QString::fromUtf8(mpv_error_string(end->error));
            m_source.clear();
            m_loaded = false;
            emit failed(source, reason);
        }
        break;
    }
    default:
        break;
    }
}

void FrameGrabber::takePicture()
{
    mpv_node result;
    const char* command[] = {"screenshot-raw", "video", nullptr};
    const QString source = m_source;
    if (mpv_command_ret(m_mpv.handle(), command, &result) < 0) {
        finish();
        emit failed(source, tr("The file has no picture."));
        return;
    }
    PreviewFrame frame;
    frame.width = intValue(result, "w");
    frame.height = intValue(result, "h");
    frame.stride = intValue(result, "stride");
    const mpv_node* data = mapValue(result, "data");
    const mpv_node* format = mapValue(result, "format");
    const bool bgr0 =
        format && format->format == MPV_FORMAT_STRING && std::strcmp(format->u.string, "bgr0") == 0;
    if (bgr0 && data && data->format == MPV_FORMAT_BYTE_ARRAY && frame.stride >= frame.width * 4 &&
        static_cast<qint64>(data->u.ba->size) >= qint64(frame.stride) * frame.height)
        frame.pixels = QByteArray(static_cast<const char*>(data->u.ba->data),
                                  qint64(frame.stride) * frame.height);
    mpv_free_node_contents(&result);
    finish();
    if (frame.isNull())
        emit failed(source, tr("The file has no picture."));
    else
        emit grabbed(source, frame);
}

} // namespace transcast
