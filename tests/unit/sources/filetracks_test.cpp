#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "sources/joblistfile.h"
#include "sources/probereportparser.h"

using namespace transcast;

namespace
{

FileTracks tracksOfReport(const QByteArray& report)
{
    ProbeReportParser parser;
    parser.reset();
    // As the probe reads it: in pieces that cut lines.
    for (int at = 0; at < report.size(); at += 37)
        parser.feed(report.mid(at, 37));
    return parser.result().tracks;
}

} // namespace

// The report's track lines become the row's tracks, which the boxes show in
// words; the default is the track the encoder prefers, and only a choice
// reaches the encoder.
TEST(FileTracks, TheReportsTrackLinesBecomeTheBoxesAndTheEncodersChoice)
{
    const FileTracks tracks =
        tracksOfReport("Input #0, matroska,webm:\r\n"
                       "  Duration: 00:00:03.00, start: 0.000000, bitrate: 900 kb/s\r\n"
                       "    Stream #0.0: Video: 320x240, mpeg4, yuv420p, 25 fps\r\n"
                       "    Stream #0.1: Audio: aac, 48000 Hz, mono\r\n"
                       "    Stream #0.2: Audio: ac3, 48000 Hz, 5.1(side), 448 kb/s\r\n"
                       "    Stream #0.3: Subtitle: subrip\r\n"
                       "    Stream #0.4: Subtitle: hdmv_pgs_subtitle\r\n"
                       "    Track #0.1: sound, eng, aac, 1 channels\r\n"
                       "    Track #0.2: sound, ger, ac3, 6 channels, default, preferred\r\n"
                       "    Track #0.3: subtitle, und, subrip, text, default\r\n"
                       "    Track #0.4: subtitle, fre, hdmv_pgs_subtitle, picture\r\n");
    ASSERT_EQ(tracks.audio.size(), 2u);
    ASSERT_EQ(tracks.subtitles.size(), 2u);
    EXPECT_EQ(fileAudioText(tracks.audio[0]), "English AAC 1ch");
    EXPECT_EQ(fileAudioText(tracks.audio[1]), "German AC3 6ch");
    EXPECT_EQ(fileSubtitleText(tracks.subtitles[0]), "Unknown SRT (text)");
    EXPECT_EQ(fileSubtitleText(tracks.subtitles[1]), "French PGS (picture)");
    EXPECT_EQ(tracks.audioPosition(), 1);
    EXPECT_TRUE(tracks.encoderEnvironment().isEmpty());

    FileTracks chosen = tracks;
    EXPECT_TRUE(chosen.chooseAudio(0));
    EXPECT_TRUE(chosen.chooseSubtitle(2));
    EXPECT_FALSE(chosen.chooseAudio(2));
    EXPECT_FALSE(chosen.chooseSubtitle(3));
    EXPECT_EQ(chosen.encoderEnvironment(),
              (QStringList{"TRANSCAST_AUDIO_STREAM=1", "TRANSCAST_BURN_SUBTITLE=4"}));
    EXPECT_TRUE(chosen.chooseSubtitle(0));
    EXPECT_EQ(chosen.encoderEnvironment(), QStringList{"TRANSCAST_AUDIO_STREAM=1"});

    // A single sound track and no subtitles offers nothing to choose.
    FileTracks single;
    single.audio = {tracks.audio[0]};
    EXPECT_FALSE(single.offersChoice());
    EXPECT_TRUE(tracks.offersChoice());
}

// The kept list holds a file row's tracks and choices; a list kept before
// rows had tracks reads as the file's own default, and a choice the record's
// tracks do not have reads as none.
TEST(FileTracks, TheKeptListHoldsTheTracksAndOlderListsReadAsTheDefault)
{
    JobRow row;
    row.caption = QStringLiteral("film");
    row.source.filePath = QStringLiteral("/v/film.mkv");
    row.tracks.audio = {{1, "eng", "aac", 1, false}, {2, "fre", "aac", 6, true}};
    row.tracks.subtitles = {{3, "eng", "subrip", true}};
    row.tracks.chooseAudio(0);
    row.tracks.chooseSubtitle(1);
    const auto kept = JobListFile::decode(JobListFile::encode({}, {JobListFile::encodeRow(row)}));
    ASSERT_TRUE(kept && kept->rows.size() == 1);
    EXPECT_EQ(kept->rows[0].tracks.encoderEnvironment(), row.tracks.encoderEnvironment());
    EXPECT_EQ(fileAudioText(kept->rows[0].tracks.audio[1]), "French AAC 6ch");

    QJsonObject object = QJsonDocument::fromJson(JobListFile::encodeRow(row)).object();
    object.remove(QStringLiteral("tracks"));
    const QByteArray older = R"({"format":"transcast job list","version":2,"edition":"file",
        "rows":[)" + QJsonDocument(object).toJson(QJsonDocument::Compact) +
                             "]}";
    const auto old = JobListFile::decode(older);
    ASSERT_TRUE(old && old->rows.size() == 1);
    EXPECT_TRUE(old->rows[0].tracks.audio.empty());
    EXPECT_TRUE(old->rows[0].tracks.encoderEnvironment().isEmpty());

    QJsonObject tracks = row.tracks.toJson();
    tracks.insert(QStringLiteral("audioChoice"), 5);
    tracks.insert(QStringLiteral("subtitleChoice"), QStringLiteral("1"));
    const FileTracks odd = FileTracks::fromJson(tracks);
    EXPECT_EQ(odd.audioPosition(), 1);
    EXPECT_TRUE(odd.encoderEnvironment().isEmpty());
}
