#include "mediaprobe.h"

#include <memory>

#include <sys/stat.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
}

namespace transcast
{

namespace
{

struct FormatContextCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using FormatContext = std::unique_ptr<AVFormatContext, FormatContextCloser>;

std::string errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

double rateOf(AVRational rate)
{
    return rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0;
}

StreamSummary summarize(const AVStream& stream)
{
    const AVCodecParameters& codec = *stream.codecpar;
    StreamSummary summary;
    summary.codec = avcodec_get_name(codec.codec_id);
    summary.bitRate = codec.bit_rate > 0 ? codec.bit_rate : 0;
    switch (codec.codec_type) {
    case AVMEDIA_TYPE_VIDEO:
        summary.type = (stream.disposition & AV_DISPOSITION_ATTACHED_PIC)
                           ? StreamSummary::Type::Picture
                           : StreamSummary::Type::Video;
        summary.width = codec.width;
        summary.height = codec.height;
        if (codec.format != AV_PIX_FMT_NONE) {
            const char* name = av_get_pix_fmt_name(static_cast<AVPixelFormat>(codec.format));
            summary.pixelFormat = name != nullptr ? name : "";
        }
        summary.framesPerSecond = rateOf(stream.avg_frame_rate);
        if (summary.framesPerSecond == 0)
            summary.framesPerSecond = rateOf(stream.r_frame_rate);
        break;
    case AVMEDIA_TYPE_AUDIO: {
        summary.type = StreamSummary::Type::Audio;
        summary.sampleRate = codec.sample_rate;
        if (codec.ch_layout.nb_channels > 0) {
            char layout[128] = {};
            if (av_channel_layout_describe(&codec.ch_layout, layout, sizeof layout) > 0)
                summary.channelLayout = layout;
        }
        // Plain PCM carries no bitrate field; it follows from the sample format.
        const int bitsPerSample = av_get_bits_per_sample(codec.codec_id);
        if (summary.bitRate == 0 && bitsPerSample > 0)
            summary.bitRate = static_cast<long long>(bitsPerSample) * codec.sample_rate *
                              codec.ch_layout.nb_channels;
        break;
    }
    case AVMEDIA_TYPE_SUBTITLE:
        summary.type = StreamSummary::Type::Subtitle;
        break;
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

} // namespace

bool probeMedia(const std::string& path, MediaSummary& media, std::string& reason)
{
    av_log_set_level(AV_LOG_QUIET);

    // An existing file is opened through the file protocol by name, so that a
    // relative name with a ":" is not taken for a protocol.
    struct stat status;
    const std::string url = stat(path.c_str(), &status) == 0 ? "file:" + path : path;

    AVFormatContext* opened = nullptr;
    int result = avformat_open_input(&opened, url.c_str(), nullptr, nullptr);
    if (result < 0) {
        reason = errorText(result);
        return false;
    }
    FormatContext context(opened);
    result = avformat_find_stream_info(context.get(), nullptr);
    if (result < 0) {
        reason = errorText(result);
        return false;
    }

    media = MediaSummary();
    media.formatName = context->iformat->name;
    media.durationUs = context->duration != AV_NOPTS_VALUE ? context->duration : -1;
    media.startUs = context->start_time != AV_NOPTS_VALUE ? context->start_time : 0;
    media.bitRate = context->bit_rate > 0 ? context->bit_rate : 0;
    media.fileSize = context->pb != nullptr ? avio_size(context->pb) : -1;
    for (unsigned i = 0; i < context->nb_streams; ++i)
        media.streams.push_back(summarize(*context->streams[i]));
    return true;
}

} // namespace transcast
