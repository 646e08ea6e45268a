// The pure parts of register.dat: how it reads its arguments, what it hands
// ffmpeg, how progress blocks become the app's lines, and the report's edge
// values that real files rarely produce.
#include <algorithm>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "encoder/amrwriter.h"
#include "encoder/ffmpegcommand.h"
#include "encoder/invocation.h"
#include "encoder/messagefilter.h"
#include "encoder/probereport.h"
#include "encoder/progresstranslator.h"
#include "encoder/shape.h"

using namespace transcast;

namespace
{

using Arguments = std::vector<std::string>;

// The app's line `register.dat -y  -i "/my videos/a b.avi" -r 25 -b 1172000
// -ab 128000 -ac 2  -aspect 1,3333 -s 320x240  -ar 44100 -f mp4 -vcodec mpeg4
// -acodec aac "/out dir/a b.mp4"` as the engine hands it over.
const Arguments appLine = {"-y",      "-i",      "/my videos/a b.avi",
                           "-r",      "25",      "-b",
                           "1172000", "-ab",     "128000",
                           "-ac",     "2",       "-aspect",
                           "1,3333",  "-s",      "320x240",
                           "-ar",     "44100",   "-f",
                           "mp4",     "-vcodec", "mpeg4",
                           "-acodec", "aac",     "/out dir/a b.mp4"};

// What comes before the caller's arguments: ffmpeg off the terminal, free
// to write into the output the job claimed, its messages tagged with their
// level, progress on descriptor 3 every half second.
const Arguments progressOptions = {"-hide_banner",  "-nostdin", "-y",        "-loglevel",
                                   "level+info",    "-nostats", "-progress", "pipe:3",
                                   "-stats_period", "0.5"};

StreamSummary videoStream(const char* codec, int width, int height)
{
    StreamSummary video;
    video.type = StreamSummary::Type::Video;
    video.codec = codec;
    video.width = width;
    video.height = height;
    return video;
}

StreamSummary audioStream(const char* codec)
{
    StreamSummary audio;
    audio.type = StreamSummary::Type::Audio;
    audio.codec = codec;
    return audio;
}

std::string golden(const char* name)
{
    std::ifstream file(std::string(TRANSCAST_TEST_DATA "/encoder/") + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string translate(const std::string& progress, size_t pieceSize)
{
    ProgressTranslator translator;
    std::string lines;
    for (size_t at = 0; at < progress.size(); at += pieceSize)
        for (const ProgressSample& sample : translator.feed(progress.substr(at, pieceSize)))
            lines += formatProgressLine(sample);
    return lines;
}

} // namespace

TEST(Invocation, TellsProbeConversionAndDvdApart)
{
    const Invocation conversion = parseInvocation(appLine);
    EXPECT_EQ(conversion.kind, Invocation::Kind::Convert);
    EXPECT_EQ(conversion.input, "/my videos/a b.avi");
    EXPECT_EQ(conversion.output, "/out dir/a b.mp4");
    EXPECT_TRUE(conversion.overwrite);

    const Invocation probe = parseInvocation({"-i", "-y"});
    EXPECT_EQ(probe.kind, Invocation::Kind::Probe);
    EXPECT_EQ(probe.input, "-y");
    EXPECT_FALSE(probe.overwrite) << "a file named -y is not the option";

    EXPECT_EQ(parseInvocation({"-y", "-i", "a.avi"}).kind, Invocation::Kind::Probe);
    EXPECT_EQ(parseInvocation({"-y", "-i", "a.avi", "-ab", "12200", "/o/a.AmR"}).kind,
              Invocation::Kind::ConvertAmr);
    EXPECT_EQ(parseInvocation({"-y", "-i", "a.avi", "/o/amr.mp4"}).kind, Invocation::Kind::Convert);
    EXPECT_EQ(
        parseInvocation({"-y", "-i", "vts://01*0*10*128*0*/dvd", "-t", "00:01:00", "o.mpg"}).kind,
        Invocation::Kind::DvdInput);
    EXPECT_EQ(parseInvocation({}).kind, Invocation::Kind::Usage);
    EXPECT_EQ(parseInvocation({"a.avi", "b.mp4"}).kind, Invocation::Kind::Usage);
    EXPECT_EQ(parseInvocation({"-i"}).kind, Invocation::Kind::Usage);
}

// ffmpeg is handed a file's path with its "file:" prefix, whatever the name
// holds; a DVD locator and a probe are left as they are.
TEST(Invocation, AFileInputIsAlwaysAPath)
{
    const Invocation concat = withFileInput(parseInvocation({"-i", "concat:a|b", "-y", "o.avi"}));
    EXPECT_EQ(concat.arguments, Arguments({"-i", "file:concat:a|b", "-y", "o.avi"}));
    EXPECT_EQ(concat.input, "concat:a|b");
    const Arguments dvd = {"-i", "vts://01*0*10*128*0*/dvd", "o.mpg"};
    EXPECT_EQ(withFileInput(parseInvocation(dvd)).arguments, dvd);
    EXPECT_EQ(withFileInput(parseInvocation({"-i", "file:c.avi"})).arguments,
              Arguments({"-i", "file:c.avi"}));
}

TEST(FfmpegCommand, AppLineInTodaysSpellingWithProgressOnItsOwnPipe)
{
    Arguments expected = appLine;
    expected[5] = "-b:v";
    expected[7] = "-b:a";
    expected[12] = "1.3333";
    // mpeg4's rate control, from the table, and the picture brought to the
    // asked rate and fitted into its frame (see pacing.h, shape.h), before
    // the output.
    expected.insert(expected.end() - 1,
                    {"-maxrate", "1172000", "-bufsize", "2344000", "-rc_init_occupancy", "586000",
                     "-qmin", "1", "-lmin", "118", "-vf",
                     "fps=25:start_time=0," + fitFilter(Frame{320, 240, {4, 3}, false, false}),
                     "-af", "aresample=rematrix_maxval=1,aformat=channel_layouts=stereo"});
    expected.insert(expected.begin(), progressOptions.begin(), progressOptions.end());
    EXPECT_EQ(conversionArguments(parseInvocation(appLine), 3), expected);
}

TEST(FfmpegCommand, PathsAreNeverRewrittenAsOptions)
{
    // Input paths that look like the old option spellings stay as they are.
    EXPECT_EQ(modernSpelling({"-i", "-b", "-b", "1", "-i", "-ab", "-aspect", "16,9"}),
              (Arguments{"-i", "-b", "-b:v", "1", "-i", "-ab", "-aspect", "16.9"}));
    EXPECT_EQ(modernSpelling({"-y", "", "-i", "", "-s", "", "320x240"}),
              (Arguments{"-y", "-i", "", "-s", "320x240"}));
    EXPECT_EQ(outputUrl("/out/-a:b.mp4"), "/out/-a:b.mp4");
    EXPECT_EQ(outputUrl("-a.mp4"), "file:-a.mp4");
    EXPECT_EQ(outputUrl("a:b.mp4"), "file:a:b.mp4");
    EXPECT_EQ(outputUrl("sub/a:b.mp4"), "sub/a:b.mp4");
    EXPECT_EQ(conversionArguments(parseInvocation({"-i", "in.avi", "-out.avi"}), 3).back(),
              "file:-out.avi");
}

TEST(FfmpegCommand, AmrJobDecodesToPcmKeepingOnlyTheTimeLimits)
{
    const Invocation amr =
        parseInvocation({"-y", "-ss", "5", "-i", "/in/a.avi", "-ab", "7400", "-ac", "1", "-t",
                         "00:00:30", "-ar", "8000", "-f", "amr", "-vn", "/out/a.amr"});
    Arguments expected = progressOptions;
    for (const char* argument :
         {"-y", "-ss", "5", "-i", "/in/a.avi", "-t", "00:00:30", "-vn", "-sn", "-dn", "-ac", "1",
          "-ar", "8000", "-c:a", "pcm_s16le", "-f", "s16le", "pipe:4"})
        expected.push_back(argument);
    EXPECT_EQ(pcmArguments(amr, 3, 4), expected);
    EXPECT_EQ(requestedAudioBitrate(amr), 7400);
    EXPECT_EQ(requestedAudioBitrate(parseInvocation({"-i", "a", "-b:a", "x", "o.amr"})), 0);
}

TEST(AmrMode, NearestNarrowBandRate)
{
    const struct {
        double requested;
        int mode;
    } cases[] = {{12200, 7}, {10200, 6},  {7400, 4}, {5900, 2}, {4750, 0},
                 {0, 7},     {128000, 7}, {6000, 2}, {9000, 5}, {5000, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(amrModeFor(c.requested), c.mode) << c.requested;
    EXPECT_EQ(amrModeBitRate(amrModeFor(10200)), 10200);
}

// Real ffmpeg 5.1 progress output, read whole and one byte at a time.
TEST(ProgressTranslator, TurnsCapturedBlocksIntoTheAppsLines)
{
    const std::string video = golden("progress-video.txt");
    ASSERT_FALSE(video.empty());
    const std::string expectedVideo = "frame=1 time=0.06 bitrate=5.1kbits/s\r"
                                      "frame=14 time=0.58 bitrate=0.6kbits/s\r"
                                      "frame=27 time=1.06 bitrate=0.3kbits/s\r"
                                      "frame=30 time=1.20 bitrate=476.1kbits/s\r";
    EXPECT_EQ(translate(video, video.size()), expectedVideo);
    EXPECT_EQ(translate(video, 1), expectedVideo);

    // Audio-only outputs have no frame count, and start with N/A rates.
    const std::string audio = golden("progress-audio.txt");
    EXPECT_EQ(translate(audio, 7), "frame=0 time=0.00 bitrate=N/A\r"
                                   "frame=0 time=0.41 bitrate=141.1kbits/s\r"
                                   "frame=0 time=0.91 bitrate=134.0kbits/s\r"
                                   "frame=0 time=1.20 bitrate=132.6kbits/s\r");
}

TEST(ProgressTranslator, UnknownOrNegativeTimesReadAsZero)
{
    ProgressTranslator translator;
    const auto samples = translator.feed("frame=3\nout_time_us=N/A\nbitrate=\nprogress=continue\n"
                                         "frame=4\nout_time_us=-9223372036854775807\n"
                                         "progress=continue\n"
                                         "frame=5\nout_time_us=83456789\nprogress=end\nframe=6\n");
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(formatProgressLine(samples[0]), "frame=3 time=0.00 bitrate=N/A\r");
    EXPECT_EQ(formatProgressLine(samples[1]), "frame=4 time=0.00 bitrate=N/A\r");
    EXPECT_EQ(formatProgressLine(samples[2]), "frame=5 time=83.45 bitrate=N/A\r");
    EXPECT_TRUE(samples[2].end);
}

// ffmpeg's closing statistics line and the notice about our statistics
// period are dropped, level tags taken off, and no "time=" passes (a title tag
// could fake progress with one); everything else passes, however it is cut
// into reads.
TEST(MessageFilter, PassesMessagesWithoutTagsStatisticsOrTimeFields)
{
    const std::string messages =
        "[info] ffmpeg stats and -progress period set to 0.5.\n"
        "[info]     title           : time=55.00 bitrate=1\n"
        "[info]   Stream #0:1: Audio: aac (LC), 44100 Hz, stereo, fltp, 128 kb/s\n"
        "[info] frame=  251 fps=0.0 q=2.0 Lsize=     549kB time=00:00:10.03 bitrate= 448.7kbits/s "
        "dup=1 drop=0 speed=19.4x    \n"
        "size=     157kB time=00:00:10.03 bitrate= 128.0kbits/s speed= 573x    \r"
        "[info] video:385kB audio:157kB subtitle:0kB other streams:0kB muxing overhead: 1.43%\n"
        "[out#0 @ 0x1] frame size=2 time=bad\n"
        "[aac @ 0x55e5] [warning] 2 frames left in the queue on closing\n"
        "unfinished";
    const std::string expected =
        "    title           : time =55.00 bitrate=1\n"
        "  Stream #0:1: Audio: aac (LC), 44100 Hz, stereo, fltp, 128 kb/s\n"
        "video:385kB audio:157kB subtitle:0kB other streams:0kB muxing overhead: 1.43%\n"
        "[out#0 @ 0x1] frame size=2 time =bad\n"
        "[aac @ 0x55e5] 2 frames left in the queue on closing\n"
        "unfinished";
    for (size_t piece : {messages.size(), size_t(1), size_t(37)}) {
        MessageFilter filter;
        std::string passed;
        for (size_t at = 0; at < messages.size(); at += piece)
            passed += filter.feed(std::string_view(messages).substr(at, piece));
        passed += filter.finish();
        EXPECT_EQ(passed, expected) << piece;
        EXPECT_EQ(filter.firstError(), "");
    }
}

// The reason a job failed is the first message at error level, not the
// closing lines that follow it.
TEST(MessageFilter, KeepsTheFirstErrorWithItsSourceButNotItsAddress)
{
    MessageFilter filter;
    filter.feed("[info] Stream mapping:\n"
                "[libx264 @ 0x55e511d55640] [error] width not divisible by 2 (321x241)\n"
                "[error] Error initializing output stream 0:0 -- Error while opening encoder\n"
                "[aac @ 0x55e511d56b00] [info] Qavg: 103.956\n"
                "[info] Conversion failed!\n");
    EXPECT_EQ(filter.firstError(), "libx264: width not divisible by 2 (321x241)");

    MessageFilter plain;
    plain.feed("[error] missing.avi: No such file or directory\r\n");
    EXPECT_EQ(plain.firstError(), "missing.avi: No such file or directory");
}

// A failed write of the output is told apart from other errors (a damaged
// source ffmpeg reads past), and each reason is said once, last.
TEST(MessageFilter, HoldsTheReasonsBackAndSaysEachOnce)
{
    MessageFilter filter;
    const std::string passed =
        filter.feed("[mp3float @ 0x1] [error] Header missing\n"
                    "[info] Stream mapping:\n"
                    "[error] av_interleaved_write_frame(): No space left on device\n"
                    "[error] av_interleaved_write_frame(): No space left on device\n"
                    "[error] Error writing trailer of o.avi: No space left on device\n"
                    "[mp3float @ 0x1] [error] Header missing\n"
                    "[fatal] Conversion failed!\n");
    EXPECT_EQ(passed, "Stream mapping:\n"
                      "Error writing trailer of o.avi: No space left on device\n"
                      "Conversion failed!\n");
    EXPECT_EQ(filter.firstError(), "mp3float: Header missing");
    EXPECT_EQ(filter.writeError(), "av_interleaved_write_frame(): No space left on device");
    EXPECT_EQ(filter.closingLines(filter.writeError()),
              "mp3float: Header missing\n"
              "av_interleaved_write_frame(): No space left on device\n");
    EXPECT_EQ(filter.closingLines(""), "mp3float: Header missing\n"
                                       "av_interleaved_write_frame(): No space left on device\n");

    MessageFilter decoding;
    decoding.feed("[h264 @ 0x2] [error] error while decoding MB 3 4\n");
    EXPECT_EQ(decoding.writeError(), "");
    EXPECT_FALSE(isWriteFailure("Error while decoding stream #0:0: Invalid data found"));
    EXPECT_TRUE(isWriteFailure("Error closing file o.mp3: Disk quota exceeded"));
}

// 4:2:0 encoders refuse odd frame sizes: "-s" is rounded down to even
// numbers for them, and only for them.
TEST(FfmpegCommand, OddFrameSizesBecomeEvenForEncodersThatNeedIt)
{
    EXPECT_EQ(evenFrameSize("321x241"), "320x240");
    EXPECT_EQ(evenFrameSize("1x1"), "2x2");
    EXPECT_EQ(evenFrameSize("640x480"), "640x480");
    EXPECT_EQ(evenFrameSize("hd720"), "hd720");
    EXPECT_EQ(evenFrameSize("32ax24"), "32ax24");

    Arguments x264 = {"-i", "a.avi", "-s", "321x241", "-vcodec", "libx264"};
    evenFrameSizes(x264);
    EXPECT_EQ(x264[3], "320x240");
    Arguments byDefault = {"-s", "321x241", "-i", "-s"};
    evenFrameSizes(byDefault);
    EXPECT_EQ(byDefault, Arguments({"-s", "320x240", "-i", "-s"}));
    Arguments raw = {"-i", "a.avi", "-c:v", "rawvideo", "-s", "321x241"};
    evenFrameSizes(raw);
    EXPECT_EQ(raw[5], "321x241");

    Invocation job = parseInvocation({"-y", "-i", "in.avi", "-s", "321x241", "out.mp4"});
    const Arguments ffmpeg = conversionArguments(job, 3);
    const auto size = std::find(ffmpeg.begin(), ffmpeg.end(), "-s");
    ASSERT_NE(size, ffmpeg.end());
    EXPECT_EQ(*(size + 1), "320x240");
    // The picture is fitted into the even frame.
    const auto filters = std::find(ffmpeg.begin(), ffmpeg.end(), "-vf");
    ASSERT_NE(filters, ffmpeg.end());
    EXPECT_EQ(*(filters + 1), fitFilter(Frame{320, 240, {4, 3}, false, false}));
}

TEST(ProbeReport, ClockRoundsLikeFfmpegAndKeepsTwoHourDigits)
{
    EXPECT_EQ(formatClock(10000000), "00:00:10.00");
    EXPECT_EQ(formatClock(90044999), "00:01:30.04");
    EXPECT_EQ(formatClock(90045000), "00:01:30.05");
    EXPECT_EQ(formatClock(0), "00:00:00.00");
    EXPECT_EQ(formatClock(-1), "00:00:00.00");
    EXPECT_EQ(formatClock(359999990000LL), "99:59:59.99");
    EXPECT_EQ(formatClock(100LL * 3600 * 1000000), "99:59:59.99");
}

TEST(ProbeReport, OverallBitrateIsAlwaysANumber)
{
    MediaSummary media;
    media.formatName = "h264";
    media.fileSize = 1000000;
    media.streams = {videoStream("h264", 1280, 720)};

    // No duration, no container bitrate, no stream bitrate (a raw stream).
    EXPECT_NE(formatProbeReport(media).find("  Duration: 00:00:00.00, start: 0.000000, "
                                            "bitrate: 0 kb/s\r\n"),
              std::string::npos);
    // From size and duration when the container says nothing.
    media.durationUs = 8000000;
    EXPECT_EQ(overallBitRate(media), 1000000);
    // A zero-length file divides by nothing.
    media.durationUs = 0;
    media.streams[0].bitRate = 64000;
    EXPECT_EQ(overallBitRate(media), 64000);
    media.bitRate = 1500000;
    EXPECT_EQ(overallBitRate(media), 1500000);
}

TEST(ProbeReport, VideoLineStartsWithTheFrameSizeOrIsNotAVideoLine)
{
    MediaSummary media;
    media.formatName = "avi";
    media.startUs = -21333;
    // dnxhd: an "x" the app must never reach before the frame size.
    StreamSummary video = videoStream("dnxhd", 1920, 1080);
    video.pixelFormat = "yuv422p";
    video.framesPerSecond = 30000.0 / 1001;
    video.bitRate = 120000000;
    StreamSummary sizeless = video;
    sizeless.width = 0;
    media.streams = {video, sizeless, audioStream("pcm_s16le")};

    const std::string report = formatProbeReport(media);
    EXPECT_NE(report.find(", start: -0.021333, "), std::string::npos);
    EXPECT_NE(report.find("    Stream #0.0: Video: 1920x1080, dnxhd, yuv422p, 120000 kb/s, "
                          "29.97 fps\r\n"),
              std::string::npos);
    EXPECT_NE(report.find("    Stream #0.1: Video of unknown size: dnxhd, yuv422p"),
              std::string::npos);
    // Unknown rate and layout are left out, not written as zero.
    EXPECT_NE(report.find("    Stream #0.2: Audio: pcm_s16le\r\n"), std::string::npos);
}

TEST(ProbeReport, FailureLineNeverOffersABitrate)
{
    EXPECT_EQ(formatProbeFailure("/v/clip.txt", "Invalid data found when processing input"),
              "/v/clip.txt: Invalid data found when processing input\r\n");
    EXPECT_EQ(formatProbeFailure("/v/bitrate: 5 kb/s", "No such file or directory"),
              "Input: No such file or directory\r\n");
}

// The app parses each 2048-byte block on its own; a long stream list must not
// push the report past one block.
TEST(ProbeReport, ManyStreamsStayWithinOneReadBlock)
{
    MediaSummary media;
    media.formatName = "matroska,webm";
    media.durationUs = 60000000;
    StreamSummary audio = audioStream("ac3");
    audio.sampleRate = 48000;
    audio.channelLayout = "5.1(side)";
    audio.bitRate = 448000;
    media.streams.assign(200, audio);

    const std::string report = formatProbeReport(media);
    EXPECT_LE(report.size(), 2048u);
    EXPECT_NE(report.find("    Stream #0.0: Audio: ac3, 48000 Hz, 5.1(side), 448 kb/s\r\n"),
              std::string::npos);
    const std::string tail = " more streams not listed)\r\n";
    EXPECT_EQ(report.compare(report.size() - tail.size(), tail.size(), tail), 0);
}
