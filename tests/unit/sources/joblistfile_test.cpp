#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "sources/joblistfile.h"

using namespace transcast;

TEST(JobListFile, ReadsTheListsEarlierVersionsKeptAndKeepsThemAlike)
{
    // Rows as a version that held the source's values as text wrote them.
    const QByteArray earlier = R"({"format":"transcast job list","version":1,"edition":"file",
        "intoOwnFormat":true,"titleMode":true,"titleSets":[],"rows":[
        {"kind":"file","caption":"clip","path":"/v/clip.avi","frameSize":"640x480",
         "duration":"00:01:05","videoBitrate":"1372","audioBitrate":"128",
         "outputSize":"11.64MB","checked":false,"status":"failed","reason":"No space left"},
        {"kind":"title","caption":"Title_01","path":"","frameSize":"720x576",
         "duration":"00:00:12","videoBitrate":"","audioBitrate":"","outputSize":"9.50MB",
         "checked":true,"status":"listed","ifo":"/d/VIDEO_TS/VTS_01_0.IFO","title":0,
         "cell":-1,"start":0,"end":4000,"audio":1,"subtitle":0,"audioId":"0x81",
         "subtitleId":"0"}]})";
    const auto contents = JobListFile::decode(earlier);
    ASSERT_TRUE(contents);
    ASSERT_EQ(contents->rows.size(), 2);
    const SourceInfo& file = contents->rows[0].source;
    EXPECT_EQ(file.frameSize, (FrameSize{640, 480}));
    EXPECT_EQ(file.durationMs, 65000);
    EXPECT_EQ(file.videoKbps, 1372);
    EXPECT_EQ(file.audioKbps, 128);
    EXPECT_EQ(contents->rows[1].source.frameSize, (FrameSize{720, 576}));
    EXPECT_EQ(contents->rows[1].source.seconds(), 12);
    EXPECT_EQ(contents->rows[1].dvd.audioId, 0x81);

    // Written again, as numbers, each row reads as it did; a length's
    // milliseconds, which the earlier text lost, now stay.
    QVector<JobRow> rows = contents->rows;
    rows[0].source.durationMs = 65432;
    rows[0].outputBytes = 12210000; // sizes are kept as bytes
    std::vector<QByteArray> encoded;
    for (const JobRow& row : rows)
        encoded.push_back(JobListFile::encodeRow(row));
    const auto again = JobListFile::decode(JobListFile::encode(contents->header, encoded));
    ASSERT_TRUE(again);
    ASSERT_EQ(again->rows.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(again->rows[i].source.frameSize, rows[i].source.frameSize) << i;
        EXPECT_EQ(again->rows[i].source.durationMs, rows[i].source.durationMs) << i;
        EXPECT_EQ(again->rows[i].source.videoKbps, rows[i].source.videoKbps) << i;
        EXPECT_EQ(again->rows[i].source.audioKbps, rows[i].source.audioKbps) << i;
        EXPECT_EQ(again->rows[i].outputBytes, rows[i].outputBytes) << i;
        EXPECT_EQ(again->rows[i].dvd.audioId, rows[i].dvd.audioId) << i;
        EXPECT_EQ(JobListFile::encodeRow(again->rows[i]), encoded[i]) << i;
    }
}

// A list written before stream ids were numbers keeps its choices: the
// text ids read as the numbers they name, and what is no id reads as none.
TEST(JobListFile, TextStreamIdsOfEarlierListsReadAsTheSameChoices)
{
    const QByteArray earlier = R"({"format":"transcast job list","version":1,"edition":"dvd",
        "intoOwnFormat":true,"titleMode":false,"titleSets":["/d/VIDEO_TS/VTS_01_0.IFO"],"rows":[
        {"kind":"chapter","caption":"  Chapter_02","ifo":"/d/VIDEO_TS/VTS_01_0.IFO","title":0,
         "cell":1,"status":"listed","audio":1,"subtitle":1,"audioId":"0x81","subtitleId":"0x20"},
        {"kind":"title","caption":"Title_01","ifo":"/d/VIDEO_TS/VTS_01_0.IFO","title":0,
         "status":"listed","audioId":"0","subtitleId":"0"},
        {"kind":"title","caption":"Title_02","ifo":"/d/VIDEO_TS/VTS_01_0.IFO","title":1,
         "status":"listed","audioId":"0xzz","subtitleId":"ents"}]})";
    const auto contents = JobListFile::decode(earlier);
    ASSERT_TRUE(contents);
    ASSERT_EQ(contents->rows.size(), 3);
    const DvdRowInfo& chapter = contents->rows[0].dvd;
    EXPECT_EQ(chapter.audioChoice, 1);
    EXPECT_EQ(chapter.subtitleChoice, 1);
    EXPECT_EQ(chapter.audioId, 0x81);
    EXPECT_EQ(chapter.subtitleId, 0x20);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(contents->rows[i].dvd.audioId, DvdRowInfo::kNoStream) << i;
        EXPECT_EQ(contents->rows[i].dvd.subtitleId, DvdRowInfo::kNoStream) << i;
    }

    // Written in the new form, it reads back with the same ids.
    JobListFile::Header header = contents->header;
    std::vector<QByteArray> kept;
    for (const JobRow& row : contents->rows)
        kept.push_back(JobListFile::encodeRow(row));
    const auto again = JobListFile::decode(JobListFile::encode(header, kept));
    ASSERT_TRUE(again);
    ASSERT_EQ(again->rows.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(again->rows[i].dvd.audioId, contents->rows[i].dvd.audioId) << i;
        EXPECT_EQ(again->rows[i].dvd.subtitleId, contents->rows[i].dvd.subtitleId) << i;
    }
    EXPECT_FALSE(kept[0].contains("audioId"));
}

// Earlier versions kept a preview's state as a row's status. How its
// conversion went is not known then: the row reads as listed, is offered
// again and is written back as listed; a finished row stays away.
TEST(JobListFile, APreviewStatusOfEarlierVersionsReadsAsListed)
{
    QByteArray earlier = R"({"format":"transcast job list","version":1,"edition":"file",
        "intoOwnFormat":true,"titleMode":true,"titleSets":[],"rows":[)";
    for (const char* status : {"playing", "paused", "playEnded", "finished"})
        earlier += R"({"kind":"file","caption":")" + QByteArray(status) +
                   R"(","path":"/v/clip.avi","status":")" + status + R"("},)";
    earlier.chop(1);
    earlier += "]}";
    const auto contents = JobListFile::decode(earlier);
    ASSERT_TRUE(contents);
    ASSERT_EQ(contents->rows.size(), 4);
    const QVector<JobRow> offered = JobListFile::unfinishedRows(*contents);
    ASSERT_EQ(offered.size(), 3);
    for (const JobRow& row : offered) {
        EXPECT_EQ(row.status, JobStatus::Listed) << row.caption.toStdString();
        EXPECT_EQ(QJsonDocument::fromJson(JobListFile::encodeRow(row))
                      .object()
                      .value("status")
                      .toString(),
                  QStringLiteral("listed"));
    }
}
