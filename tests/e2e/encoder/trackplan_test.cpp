// What register.dat does with a source's sound and subtitle streams, for the
// cases no ffmpeg-made clip can show: picture subtitles, and the choices a
// file does not have.
#include <algorithm>

#include <gtest/gtest.h>

#include "encoder/probereport.h"
#include "encoder/trackplan.h"

using namespace transcast;

namespace
{

StreamSummary stream(StreamSummary::Type type, const char* codec, bool text = false)
{
    StreamSummary summary;
    summary.type = type;
    summary.codec = codec;
    summary.width = summary.height = 64;
    summary.channels = 2;
    summary.textSubtitle = text;
    return summary;
}

// Video, two sounds, a SubRip and a PGS subtitle.
MediaSummary film()
{
    using T = StreamSummary::Type;
    MediaSummary media;
    media.streams = {stream(T::Video, "h264"), stream(T::Audio, "aac"), stream(T::Audio, "ac3"),
                     stream(T::Subtitle, "subrip", true), stream(T::Subtitle, "hdmv_pgs_subtitle")};
    media.streams[2].channels = 6;
    return media;
}

bool maps(const TrackPlan& plan, const std::string& what)
{
    const std::vector<std::string>& options = plan.outputOptions;
    for (size_t i = 0; i + 1 < options.size(); ++i)
        if (options[i] == "-map" && options[i + 1] == what)
            return true;
    return false;
}

} // namespace

TEST(TrackPlan, PictureSubtitlesAreOverlaidAndContainersKeepOnlyWhatTheyPlay)
{
    TrackPlan plan;
    std::string error;
    // A picture subtitle is laid over the picture; the text one stays soft,
    // as mov_text; no sound chosen, the one ffmpeg prefers is taken.
    ASSERT_TRUE(planTracks(film(), "/v/film.mkv", {"-f", "mp4"}, false, {-1, 4}, plan, error));
    EXPECT_NE(plan.burnGraph.find("[0:0][0:4]overlay[burned]"), std::string::npos)
        << plan.burnGraph;
    EXPECT_TRUE(plan.burnSource.empty());
    EXPECT_TRUE(maps(plan, "[burned]") && maps(plan, "0:2") && maps(plan, "0:3"));
    EXPECT_FALSE(maps(plan, "0:4"));

    // The PSP's muxer and 3GP's phones take no subtitles: nothing is mapped
    // and ffmpeg chooses as before.
    for (const char* format : {"psp", "3gp", "avi"}) {
        ASSERT_TRUE(planTracks(film(), "/v/film.mkv", {"-f", format}, false, {}, plan, error));
        EXPECT_TRUE(plan.outputOptions.empty()) << format;
    }
    // WebM holds text subtitles as WebVTT only.
    ASSERT_TRUE(planTracks(film(), "/v/film.mkv", {"-f", "webm"}, false, {}, plan, error));
    EXPECT_TRUE(maps(plan, "0:0") && maps(plan, "0:2") && maps(plan, "0:3"));
    EXPECT_FALSE(maps(plan, "0:4"));
    EXPECT_NE(std::find(plan.outputOptions.begin(), plan.outputOptions.end(), "webvtt"),
              plan.outputOptions.end());
    // A sound-only output takes only the sound chosen.
    ASSERT_TRUE(planTracks(film(), "/v/film.mkv", {"-vn", "-f", "mp4"}, true, {1, 3}, plan, error));
    EXPECT_EQ(plan.outputOptions, (std::vector<std::string>{"-map", "0:1"}));

    // Streams the file does not have, or of another kind, are refused.
    EXPECT_FALSE(planTracks(film(), "/v/film.mkv", {"-f", "mp4"}, false, {3, -1}, plan, error));
    EXPECT_EQ(error, "the source has no sound stream 3");
    EXPECT_FALSE(planTracks(film(), "/v/film.mkv", {"-f", "mp4"}, false, {-1, 9}, plan, error));
}
