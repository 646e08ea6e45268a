#include "preview/mpvinstance.h"

#include <clocale>
#include <cstring>

#include <QByteArray>
#include <QFile>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}
#include <mpv/client.h>
#include <mpv/stream_cb.h>

#include "common/standarddescriptors.h"
#include "formats/selfcontainedformat.h"
#include "preview/streamprotocol.h"

namespace transcast
{

namespace
{

// libmpv refuses to start unless numbers are read with a '.', whatever the
// user's locale says; texts the user sees get their separator from Qt.
void useCNumericLocale()
{
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    if (!current || std::strcmp(current, "C") != 0)
        std::setlocale(LC_NUMERIC, "C");
}

// The stream callbacks run on libmpv's demuxer thread.
int64_t readStream(void* cookie, char* buffer, uint64_t size)
{
    return static_cast<StreamReader*>(cookie)->read(buffer, static_cast<qint64>(size));
}

int64_t seekStream(void* cookie, int64_t position)
{
    if (!static_cast<StreamReader*>(cookie)->seek(position))
        return MPV_ERROR_GENERIC;
    return position;
}

int64_t streamSize(void* cookie)
{
    const qint64 size = static_cast<StreamReader*>(cookie)->size();
    if (size < 0)
        return MPV_ERROR_UNSUPPORTED;
    return size;
}

void closeStream(void* cookie)
{
    delete static_cast<StreamReader*>(cookie);
}

int openStream(void* protocol, char* address, mpv_stream_cb_info* info)
{
    std::unique_ptr<StreamReader> reader =
        static_cast<StreamProtocol*>(protocol)->open(QString::fromUtf8(address));
    if (!reader)
        return MPV_ERROR_LOADING_FAILED;
    info->cookie = reader.release();
    info->read_fn = readStream;
    info->seek_fn = seekStream;
    info->size_fn = streamSize;
    info->close_fn = closeStream;
    return 0;
}

// Every instance opens only what it is handed, a local file or an address of
// a protocol of ours, and nothing because of it: no playlist or reference
// inside a file (a text posing as a video could name any address, itself
// included), no network, no subtitle, sound or cover files found beside it,
// no user configuration, scripts or saved positions. The window keeps the
// mouse and the keyboard.
const MpvInstance::Options& closedWorld()
{
    static const MpvInstance::Options options = [] {
        MpvInstance::Options list;
        for (const char* name :
             {"config", "load-scripts", "ytdl", "osc", "load-stats-overlay", "load-osd-console",
              "load-auto-profiles", "access-references", "autoload-files", "sub-auto",
              "audio-file-auto", "cover-art-auto", "resume-playback", "input-default-bindings",
              "input-vo-keyboard", "input-cursor", "input-terminal", "terminal"})
            list.emplace_back(QLatin1String(name), QStringLiteral("no"));
        // Demuxers that open further addresses by themselves (an SDP file
        // opening network ports) may use local files only.
        list.emplace_back(QStringLiteral("demuxer-lavf-o"),
                          QStringLiteral("protocol_whitelist=file,pattern_type=none"));
        // Only libavformat's demuxers, each file read as the format told
        // from it (see openingOf): none of libmpv's own, whose playlist,
        // cue sheet and edit list readers open what a file names.
        list.emplace_back(QStringLiteral("demuxer"), QStringLiteral("lavf"));
        return list;
    }();
    return options;
}

// Which of libavformat's demuxers would read the local file `path`, told
// from its first bytes without any demuxer reading it; empty when none.
std::string formatOfFile(const QString& path)
{
    AVDictionary* options = nullptr;
    for (const char* const* option = selfContainedOptions(); *option; ++option) {
        const QByteArray pair(*option);
        const qsizetype equals = pair.indexOf('=');
        av_dict_set(&options, pair.left(equals).constData(), pair.mid(equals + 1).constData(), 0);
    }
    const QByteArray url = "file:" + QFile::encodeName(path);
    AVIOContext* io = nullptr;
    const int opened = avio_open2(&io, url.constData(), AVIO_FLAG_READ, nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        return {};
    const AVInputFormat* format = nullptr;
    const int probed = av_probe_input_buffer2(io, &format, url.constData(), nullptr, 0, 0);
    avio_closep(&io);
    return probed >= 0 && format ? format->name : std::string();
}

std::vector<const char*> commandLine(std::initializer_list<const char*> arguments)
{
    std::vector<const char*> line(arguments);
    line.push_back(nullptr);
    return line;
}

} // namespace

void MpvInstance::Deleter::operator()(mpv_handle* handle) const
{
    mpv_terminate_destroy(handle);
}

MpvInstance::MpvInstance(EventHandler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler))
{
}

MpvInstance::~MpvInstance()
{
    stop();
}

bool MpvInstance::start(const Options& options, const std::vector<StreamProtocol*>& protocols)
{
    stop();
    m_error.clear();
    useCNumericLocale();
    std::unique_ptr<mpv_handle, Deleter> mpv(mpv_create());
    if (!mpv) {
        m_error = tr("The video player library could not be started.");
        return false;
    }
    // The closed world last: no option of a caller's opens it.
    Options all = options;
    all.insert(all.end(), closedWorld().begin(), closedWorld().end());
    for (const auto& [name, value] : all) {
        const int status =
            mpv_set_option_string(mpv.get(), name.toUtf8().constData(), value.toUtf8().constData());
        if (status < 0) {
            m_error = tr("The video player library refused the option %1=%2: %3")
                          .arg(name, value, QString::fromUtf8(mpv_error_string(status)));
            return false;
        }
    }
    const int status = mpv_initialize(mpv.get());
    if (status < 0) {
        m_error = tr("The video player library could not be started: %1")
                      .arg(QString::fromUtf8(mpv_error_string(status)));
        return false;
    }
    // Before any track is chosen or decoded: see turnPicturesUpright.
    mpv_hook_add(mpv.get(), 0, "on_preloaded", 0);
    for (StreamProtocol* protocol : protocols)
        mpv_stream_cb_add_ro(mpv.get(), protocol->scheme().toUtf8().constData(), protocol,
                             openStream);
    mpv_set_wakeup_callback(mpv.get(), &MpvInstance::wakeUp, this);
    m_mpv = std::move(mpv);
    return true;
}

void MpvInstance::stop()
{
    if (!m_mpv)
        return;
    // After this returns libmpv calls no wake-up of ours any more.
    mpv_set_wakeup_callback(m_mpv.get(), nullptr, nullptr);
    m_mpv.reset();
    // libmpv's threads have ended: whatever they closed is reopened before
    // anything else of the program can take its number.
    keepStandardDescriptorsOpen();
}

MpvInstance::Opening MpvInstance::openingOf(const QString& source,
                                            const std::vector<StreamProtocol*>& protocols)
{
    Opening opening;
    if (source.startsWith(QLatin1Char('/'))) {
        const std::string format = formatOfFile(source);
        const std::string refusal = refusalOfFormat(format);
        if (format.empty())
            opening.refusal = tr("it could not be read.");
        else if (!refusal.empty())
            opening.refusal = tr("it is %1.").arg(QString::fromStdString(refusal));
        else
            opening.loadOptions = "demuxer-lavf-format=" +
                                  QByteArray::fromStdString(format.substr(0, format.find(',')));
        return opening;
    }
    for (const StreamProtocol* protocol : protocols) {
        if (source.startsWith(protocol->scheme() + QStringLiteral("://"))) {
            opening.loadOptions = "demuxer-lavf-format=" + protocol->format().toUtf8();
            return opening;
        }
    }
    opening.refusal = tr("it is no file on this computer.");
    return opening;
}

QString MpvInstance::reasonFor(int error)
{
    switch (error) {
    case MPV_ERROR_UNKNOWN_FORMAT:
    case MPV_ERROR_NOTHING_TO_PLAY:
        return tr("it holds no picture or sound that can be played.");
    case MPV_ERROR_LOADING_FAILED:
        return tr("it could not be read.");
    default:
        return QString::fromUtf8(mpv_error_string(error));
    }
}

int MpvInstance::command(std::initializer_list<const char*> arguments)
{
    if (!m_mpv)
        return MPV_ERROR_UNINITIALIZED;
    std::vector<const char*> line = commandLine(arguments);
    return mpv_command(m_mpv.get(), line.data());
}

void MpvInstance::commandAsync(std::initializer_list<const char*> arguments)
{
    if (!m_mpv)
        return;
    std::vector<const char*> line = commandLine(arguments);
    mpv_command_async(m_mpv.get(), 0, line.data());
}

void MpvInstance::turnPicturesUpright()
{
    mpv_handle* mpv = m_mpv.get();
    int64_t count = 0;
    mpv_get_property(mpv, "track-list/count", MPV_FORMAT_INT64, &count);
    int64_t chosen = -1;
    int64_t rotation = 0;
    for (int64_t i = 0; i < count; ++i) {
        const QByteArray prefix = "track-list/" + QByteArray::number(i) + "/";
        char* type = mpv_get_property_string(mpv, (prefix + "type").constData());
        const bool video = type && std::strcmp(type, "video") == 0;
        mpv_free(type);
        int cover = 0;
        int flagged = 0;
        mpv_get_property(mpv, (prefix + "albumart").constData(), MPV_FORMAT_FLAG, &cover);
        mpv_get_property(mpv, (prefix + "default").constData(), MPV_FORMAT_FLAG, &flagged);
        if (!video || cover || (chosen >= 0 && !flagged))
            continue;
        mpv_get_property(mpv, (prefix + "id").constData(), MPV_FORMAT_INT64, &chosen);
        rotation = 0; // absent when the track is not turned
        mpv_get_property(mpv, (prefix + "demux-rotation").constData(), MPV_FORMAT_INT64, &rotation);
        if (flagged)
            break;
    }
    // Quarter turns are made by a filter, so that the picture reaches the
    // renderer upright: libmpv's software renderer cannot turn pictures, and
    // told to it fails an assertion that ends the program. Other angles are
    // turned by libmpv's own filter already. The track is named so that the
    // turn made is the one of the track shown; each file sets both options
    // anew, since an instance may play one file after another.
    const char* filter = "";
    switch (rotation) {
    case 90:
        filter = "lavfi=[transpose=clock]";
        break;
    case 180:
        filter = "lavfi=[hflip,vflip]";
        break;
    case 270:
        filter = "lavfi=[transpose=cclock]";
        break;
    default:
        break;
    }
    if (chosen >= 0)
        mpv_set_property(mpv, "vid", MPV_FORMAT_INT64, &chosen);
    else
        mpv_set_property_string(mpv, "vid", "auto");
    mpv_set_property_string(mpv, "video-rotate", *filter ? "no" : "0");
    mpv_set_property_string(mpv, "vf", filter);
}

void MpvInstance::wakeUp(void* context)
{
    // Called on one of libmpv's threads: only hand the work to the main
    // thread. A wake-up for an instance deleted meanwhile is dropped by Qt.
    auto* instance = static_cast<MpvInstance*>(context);
    QMetaObject::invokeMethod(instance, &MpvInstance::drain, Qt::QueuedConnection);
}

void MpvInstance::drain()
{
    while (m_mpv) {
        mpv_event* event = mpv_wait_event(m_mpv.get(), 0);
        if (event->event_id == MPV_EVENT_NONE)
            return;
        if (event->event_id == MPV_EVENT_HOOK) {
            // libmpv waits for this answer before it goes on with the file.
            turnPicturesUpright();
            mpv_hook_continue(m_mpv.get(), static_cast<mpv_event_hook*>(event->data)->id);
            continue;
        }
        m_handler(*event);
    }
}

} // namespace transcast
