#include "mediaprobe.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <utility>

#include <dlfcn.h>
#include <sys/stat.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavformat/version_major.h>
#include <libavutil/avutil.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
#include <libavutil/macros.h>
#include <libavutil/pixdesc.h>
}

#include "formats/selfcontainedformat.h"

namespace transcast
{

namespace
{

// libavformat is loaded only when a probe needs it: with libavcodec it pulls
// in well over a hundred libraries, and loading them at every start would
// delay each conversion, which needs none of them, by tens of milliseconds.
// The pointer types come from the headers, so a mismatch fails to compile.
class LibAv
{
public:
    decltype(&::avformat_open_input) openInput = nullptr;
    decltype(&::avformat_find_stream_info) findStreamInfo = nullptr;
    decltype(&::avformat_close_input) closeInput = nullptr;
    decltype(&::avio_size) ioSize = nullptr;
    decltype(&::av_log_set_level) setLogLevel = nullptr;
    decltype(&::av_strerror) errorText = nullptr;
    decltype(&::avcodec_get_name) codecName = nullptr;
    decltype(&::av_get_pix_fmt_name) pixelFormatName = nullptr;
    decltype(&::av_pix_fmt_desc_get) pixelFormatDescriptor = nullptr;
    decltype(&::av_channel_layout_describe) describeLayout = nullptr;
    decltype(&::av_get_bits_per_sample) bitsPerSample = nullptr;
    decltype(&::av_stream_get_side_data) streamSideData = nullptr;
    decltype(&::av_display_rotation_get) displayRotation = nullptr;
    decltype(&::avio_open2) ioOpen = nullptr;
    decltype(&::avio_closep) ioClose = nullptr;
    decltype(&::av_probe_input_buffer2) probeFormat = nullptr;
    decltype(&::av_dict_set) dictSet = nullptr;
    decltype(&::av_dict_free) dictFree = nullptr;
    decltype(&::av_dict_get) dictGet = nullptr;
    decltype(&::avcodec_descriptor_get) codecDescriptor = nullptr;

    // Loads the library once; false with the loader's reason on failure.
    bool load(std::string& reason)
    {
        static const char* const name = "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR);
        // Never unloaded: the process ends soon after the probe.
        void* library = dlopen(name, RTLD_LAZY | RTLD_LOCAL);
        if (library == nullptr) {
            reason = dlerror();
            return false;
        }
        // dlsym on the handle also finds libavcodec's and libavutil's symbols,
        // libavformat's own dependencies.
        const bool complete = resolve(library, "avformat_open_input", openInput) &&
                              resolve(library, "avformat_find_stream_info", findStreamInfo) &&
                              resolve(library, "avformat_close_input", closeInput) &&
                              resolve(library, "avio_size", ioSize) &&
                              resolve(library, "av_log_set_level", setLogLevel) &&
                              resolve(library, "av_strerror", errorText) &&
                              resolve(library, "avcodec_get_name", codecName) &&
                              resolve(library, "av_get_pix_fmt_name", pixelFormatName) &&
                              resolve(library, "av_pix_fmt_desc_get", pixelFormatDescriptor) &&
                              resolve(library, "av_channel_layout_describe", describeLayout) &&
                              resolve(library, "av_get_bits_per_sample", bitsPerSample) &&
                              resolve(library, "av_stream_get_side_data", streamSideData) &&
                              resolve(library, "av_display_rotation_get", displayRotation) &&
                              resolve(library, "avio_open2", ioOpen) &&
                              resolve(library, "avio_closep", ioClose) &&
                              resolve(library, "av_probe_input_buffer2", probeFormat) &&
                              resolve(library, "av_dict_set", dictSet) &&
                              resolve(library, "av_dict_free", dictFree) &&
                              resolve(library, "av_dict_get", dictGet) &&
                              resolve(library, "avcodec_descriptor_get", codecDescriptor);
        if (!complete)
            reason = dlerror();
        return complete;
    }

private:
    template <typename Function>
    static bool resolve(void* library, const char* symbol, Function& function)
    {
        function = reinterpret_cast<Function>(dlsym(library, symbol));
        return function != nullptr;
    }
};

std::string errorText(const LibAv& av, int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av.errorText(code, text, sizeof text);
    return text;
}

// Whether the stream is shown turned a quarter (90 or 270 degrees), as a
// phone stores portrait video: its picture is then as wide as it is stored
// high. Every player and ffmpeg's own conversion turn it.
bool turnedAQuarter(const LibAv& av, const AVStream& stream)
{
    size_t size = 0;
    const uint8_t* matrix = av.streamSideData(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix == nullptr || size < 9 * sizeof(int32_t))
        return false;
    const double degrees = av.displayRotation(reinterpret_cast<const int32_t*>(matrix));
    if (degrees != degrees) // NaN: a matrix that is no rotation
        return false;
    const long quarter = std::lround(std::fabs(degrees) / 90.0);
    return quarter % 2 == 1 && std::fabs(std::fabs(degrees) - 90.0 * quarter) < 1.0;
}

// The options that keep an opening to the named file alone.
AVDictionary* selfContained(const LibAv& av)
{
    AVDictionary* options = nullptr;
    for (const char* const* option = selfContainedOptions(); *option; ++option) {
        const std::string pair = *option;
        const size_t equals = pair.find('=');
        av.dictSet(&options, pair.substr(0, equals).c_str(), pair.substr(equals + 1).c_str(), 0);
    }
    return options;
}

// Which demuxer would read the file at `url`, from its first bytes alone.
int probeFormat(const LibAv& av, const std::string& url, const AVInputFormat*& format)
{
    AVDictionary* options = selfContained(av);
    AVIOContext* io = nullptr;
    int result = av.ioOpen(&io, url.c_str(), AVIO_FLAG_READ, nullptr, &options);
    av.dictFree(&options);
    if (result < 0)
        return result;
    result = av.probeFormat(io, &format, url.c_str(), nullptr, 0, 0);
    av.ioClose(&io);
    return result;
}

// The stream's language tag as an ISO 639 code: letters only, lower case, at
// most three; anything else a file may hold there (free text) is none.
std::string languageOf(const LibAv& av, const AVStream& stream)
{
    const AVDictionaryEntry* tag = av.dictGet(stream.metadata, "language", nullptr, 0);
    if (tag == nullptr || tag->value == nullptr)
        return {};
    std::string code;
    for (const char* c = tag->value; *c != '\0'; ++c) {
        const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
        if (letter < 'a' || letter > 'z' || code.size() == 3)
            return {};
        code += letter;
    }
    return code.size() >= 2 && code != "und" ? code : std::string();
}

double rateOf(AVRational rate)
{
    return rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0;
}

StreamSummary summarize(const LibAv& av, const AVStream& stream)
{
    const AVCodecParameters& codec = *stream.codecpar;
    StreamSummary summary;
    summary.codec = av.codecName(codec.codec_id);
    summary.bitRate = codec.bit_rate > 0 ? codec.bit_rate : 0;
    switch (codec.codec_type) {
    case AVMEDIA_TYPE_VIDEO:
        summary.type = (stream.disposition & AV_DISPOSITION_ATTACHED_PIC)
                           ? StreamSummary::Type::Picture
                           : StreamSummary::Type::Video;
        summary.width = codec.width;
        summary.height = codec.height;
        if (turnedAQuarter(av, stream))
            std::swap(summary.width, summary.height);
        if (codec.format != AV_PIX_FMT_NONE) {
            const char* name = av.pixelFormatName(static_cast<AVPixelFormat>(codec.format));
            summary.pixelFormat = name != nullptr ? name : "";
            const AVPixFmtDescriptor* format =
                av.pixelFormatDescriptor(static_cast<AVPixelFormat>(codec.format));
            if (format != nullptr && format->nb_components > 0)
                summary.pictureBits = format->comp[0].depth;
        }
        switch (codec.field_order) {
        case AV_FIELD_PROGRESSIVE:
            summary.fieldOrder = StreamSummary::FieldOrder::Progressive;
            break;
        case AV_FIELD_TT:
        case AV_FIELD_TB:
            summary.fieldOrder = StreamSummary::FieldOrder::TopFirst;
            break;
        case AV_FIELD_BB:
        case AV_FIELD_BT:
            summary.fieldOrder = StreamSummary::FieldOrder::BottomFirst;
            break;
        default:
            break;
        }
        if (codec.color_trc == AVCOL_TRC_SMPTE2084)
            summary.transfer = "smpte2084";
        else if (codec.color_trc == AVCOL_TRC_ARIB_STD_B67)
            summary.transfer = "arib-std-b67";
        summary.framesPerSecond = rateOf(stream.avg_frame_rate);
        if (summary.framesPerSecond == 0)
            summary.framesPerSecond = rateOf(stream.r_frame_rate);
        break;
    case AVMEDIA_TYPE_AUDIO: {
        summary.type = StreamSummary::Type::Audio;
        summary.sampleRate = codec.sample_rate;
        summary.channels = codec.ch_layout.nb_channels;
        summary.language = languageOf(av, stream);
        summary.flaggedDefault = (stream.disposition & AV_DISPOSITION_DEFAULT) != 0;
        if (codec.ch_layout.nb_channels > 0) {
            char layout[128] = {};
            if (av.describeLayout(&codec.ch_layout, layout, sizeof layout) > 0)
                summary.channelLayout = layout;
        }
        // Plain PCM carries no bitrate field; it follows from the sample format.
        const int bitsPerSample = av.bitsPerSample(codec.codec_id);
        if (summary.bitRate == 0 && bitsPerSample > 0)
            summary.bitRate = static_cast<long long>(bitsPerSample) * codec.sample_rate *
                              codec.ch_layout.nb_channels;
        break;
    }
    case AVMEDIA_TYPE_SUBTITLE: {
        summary.type = StreamSummary::Type::Subtitle;
        summary.language = languageOf(av, stream);
        summary.flaggedDefault = (stream.disposition & AV_DISPOSITION_DEFAULT) != 0;
        const AVCodecDescriptor* descriptor = av.codecDescriptor(codec.codec_id);
        summary.textSubtitle =
            descriptor != nullptr && (descriptor->props & AV_CODEC_PROP_TEXT_SUB) != 0;
        break;
    }
    case AVMEDIA_TYPE_DATA:
        summary.type = StreamSummary::Type::Data;
        break;
    case AVMEDIA_TYPE_ATTACHMENT:
        summary.type = StreamSummary::Type::Attachment;
        break;
    default:
        summary.type = StreamSummary::Type::Other;
        break;
    }
    return summary;
}

// The format told from the file's first bytes, when it is one a source
// may be read as; `refused` tells a refused format from an unreadable file.
bool readableFormat(LibAv& av, const std::string& url, const AVInputFormat*& format,
                    std::string& reason, bool& refused)
{
    const int result = probeFormat(av, url, format);
    if (result < 0) {
        reason = errorText(av, result);
        return false;
    }
    const std::string refusal = refusalOfFormat(format->name);
    refused = !refusal.empty();
    if (refused)
        reason = "It is " + refusal;
    return !refused;
}

} // namespace

bool sourceFormat(const std::string& path, std::string& name, std::string& reason, bool& refused)
{
    refused = false;
    LibAv av;
    if (!av.load(reason))
        return false;
    av.setLogLevel(AV_LOG_QUIET);
    const AVInputFormat* format = nullptr;
    if (!readableFormat(av, "file:" + path, format, reason, refused))
        return false;
    name = format->name;
    name = name.substr(0, name.find(','));
    return true;
}

bool loadMediaLibraries(std::string& reason)
{
    LibAv av;
    return av.load(reason);
}

bool probeMedia(const std::string& path, MediaSummary& media, std::string& reason)
{
    LibAv av;
    if (!av.load(reason)) {
        reason = "cannot load libavformat: " + reason;
        return false;
    }
    av.setLogLevel(AV_LOG_QUIET);

    // A path is opened through the file protocol by name, so that a name
    // with a ":" ("concat:a.avi|b.avi") is never taken for a protocol; a
    // conversion hands ffmpeg the same. Only regular files: opening a FIFO or
    // a device named like a video would block, or read forever.
    struct stat status;
    if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        reason = S_ISDIR(status.st_mode) ? "Is a directory" : "Not a regular file";
        return false;
    }
    const std::string url = "file:" + path;

    // The format is told from the file's first bytes before any demuxer
    // reads it, and the file is then read as that format and no other: a
    // demuxer that would open what the file names never starts.
    const AVInputFormat* format = nullptr;
    bool refused = false;
    if (!readableFormat(av, url, format, reason, refused))
        return false;
    AVDictionary* options = selfContained(av);
    AVFormatContext* opened = nullptr;
    int result = av.openInput(&opened, url.c_str(), format, &options);
    av.dictFree(&options);
    if (result < 0) {
        reason = errorText(av, result);
        return false;
    }
    const auto closer = [&av](AVFormatContext* context) { av.closeInput(&context); };
    std::unique_ptr<AVFormatContext, decltype(closer)> context(opened, closer);
    result = av.findStreamInfo(context.get(), nullptr);
    if (result < 0) {
        reason = errorText(av, result);
        return false;
    }

    media = MediaSummary();
    media.formatName = context->iformat->name;
    media.durationUs = context->duration != AV_NOPTS_VALUE ? context->duration : -1;
    media.startUs = context->start_time != AV_NOPTS_VALUE ? context->start_time : 0;
    media.bitRate = context->bit_rate > 0 ? context->bit_rate : 0;
    media.fileSize = context->pb != nullptr ? av.ioSize(context->pb) : -1;
    bool convertible = false;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        media.streams.push_back(summarize(av, *context->streams[i]));
        const StreamSummary::Type type = media.streams.back().type;
        convertible = convertible || type == StreamSummary::Type::Video ||
                      type == StreamSummary::Type::Audio || type == StreamSummary::Type::Picture;
    }
    // Text that some demuxer takes for lyrics or subtitles (a .pls or .m3u
    // list, a note) would be listed with nothing to convert.
    if (!convertible) {
        reason = "It holds no picture or sound";
        return false;
    }
    return true;
}

const StreamSummary* firstMovingPicture(const MediaSummary& media)
{
    for (const StreamSummary& stream : media.streams) {
        if (stream.type == StreamSummary::Type::Video)
            return &stream;
    }
    return nullptr;
}

} // namespace transcast
