// The rows a title set lists and the choices kept for rows not listed now,
// both without a job list or a disc.
#include <gtest/gtest.h>

#include "dvd/titleset.h"
#include "sources/dvdchoicememory.h"
#include "sources/dvdrowbuilder.h"

using namespace transcast;

namespace
{

// Two titles: one of three cells in two chapters (cells 1-2, cell 3; the
// middle cell under 1000 sectors), one of a single cell and no chapter; two
// audio tracks, one subtitle.
std::shared_ptr<const dvd::TitleSet> titleSet()
{
    auto made = std::make_shared<dvd::TitleSet>();
    made->video.width = 704;
    made->video.height = 480;
    made->audio = {{0x80, "en", dvd::AudioCoding::Ac3, 2}, {0x81, "de", dvd::AudioCoding::Ac3, 6}};
    made->subtitles = {{0x21, "fr"}};
    dvd::Title first;
    first.milliseconds = 22040;
    first.cells = {{0, 2000, 10000}, {2001, 2500, 5000}, {2501, 5000, 7040}};
    first.chapters = {{0, 1}, {2, 2}};
    dvd::Title second;
    second.milliseconds = 30000;
    second.cells = {{6000, 9000, 30000}};
    made->titles = {first, second};
    return made;
}

} // namespace

TEST(DvdRowBuilder, ListsTitlesAndTheirChaptersNumberedOnFromTheRowsBefore)
{
    const QString ifo = QStringLiteral("/d/VIDEO_TS/VTS_02_0.IFO");
    const std::vector<JobRow> titles = DvdRowBuilder::rows(titleSet(), ifo, true, 3);
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles[0].caption, QStringLiteral("Title_04"));
    EXPECT_EQ(titles[1].caption, QStringLiteral("Title_05"));
    EXPECT_EQ(titles[0].dvd.lengthMilliseconds, 22040);
    EXPECT_EQ(titles[0].source.durationMs, 22040);
    EXPECT_EQ(titles[0].source.frameSize, (FrameSize{704, 480}));
    EXPECT_EQ(titles[1].dvd.startSector, 6000);
    EXPECT_EQ(titles[0].dvd.audioId, 0x80);
    EXPECT_EQ(titles[0].dvd.subtitleId, DvdRowInfo::kNoStream);
    EXPECT_FALSE(titles[0].checked);

    // A row per chapter, whatever its sectors: the first chapter spans two
    // cells, the second of them under 1000 sectors (rows once stood for
    // cells of 1000 sectors or more, which lost short chapters and split
    // those of several cells). The second title's program map names no
    // chapter: its cells stand in.
    const std::vector<JobRow> chapters = DvdRowBuilder::rows(titleSet(), ifo, false, 0);
    QStringList captions;
    for (const JobRow& row : chapters)
        captions << row.caption;
    EXPECT_EQ(captions, (QStringList{"Title_01", "  Chapter_01", "  Chapter_02", "Title_04",
                                     "  Chapter_01"}));
    const DvdRowInfo& first = chapters[1].dvd;
    EXPECT_EQ(first.startSector, 0);
    EXPECT_EQ(first.endSector, 2500);
    EXPECT_EQ(first.lengthMilliseconds, 15000);
    EXPECT_EQ(first.endTime, 15);
    const DvdRowInfo& second = chapters[2].dvd;
    EXPECT_EQ(second.cellIndex, 2);
    EXPECT_EQ(second.startTime, 15);
    EXPECT_EQ(second.endTime, 22);
    EXPECT_EQ(second.lengthMilliseconds, 7040);
    EXPECT_EQ(second.titleCaption, QStringLiteral("Title_01"));
    EXPECT_EQ(chapters[4].dvd.titleCaption, QStringLiteral("Title_04"));
    EXPECT_EQ(chapters[4].dvd.startSector, 6000);

    EXPECT_TRUE(DvdRowBuilder::rows(nullptr, ifo, true, 0).empty());
}

// Sectors 0..3999 held: the first title and its second chapter end there,
// their time cut by the share of the cut cell's sectors; the second title
// lies wholly past it and is listed as missing.
TEST(DvdRowBuilder, RowsEndWhereTheHeldSectorsEnd)
{
    auto cut = std::make_shared<dvd::TitleSet>(*titleSet());
    cut->heldSectors = 4000;
    const std::vector<JobRow> rows =
        DvdRowBuilder::rows(cut, QStringLiteral("/d.iso/VIDEO_TS/VTS_01_0.IFO"), false, 0);
    ASSERT_EQ(rows.size(), 5u);
    const qint64 partOfLast = 7040 * (4000 - 2501) / 2500;
    EXPECT_EQ(rows[0].dvd.endSector, 3999);
    EXPECT_EQ(rows[0].dvd.lengthMilliseconds, 15000 + partOfLast);
    EXPECT_EQ(rows[0].dvd.lengthSeconds, (15000 + partOfLast) / 1000);
    EXPECT_FALSE(rows[0].dvd.missing);
    EXPECT_EQ(rows[1].dvd.endSector, 2500);
    EXPECT_EQ(rows[1].dvd.lengthMilliseconds, 15000);
    EXPECT_EQ(rows[2].dvd.lengthMilliseconds, partOfLast);
    EXPECT_EQ(rows[2].dvd.endTime, rows[2].dvd.startTime + partOfLast / 1000);
    EXPECT_TRUE(rows[3].dvd.missing);
    EXPECT_TRUE(rows[4].dvd.missing);
    EXPECT_EQ(rows[3].dvd.missingReason(), QStringLiteral("Missing from the image"));
    EXPECT_TRUE(rows[0].dvd.missingReason().isEmpty());
}

// Ticks are kept per mode and tracks for both; a chapter seen for the first
// time takes its title's tracks; a remembered position the row's title set
// has no track at changes nothing.
TEST(DvdChoiceMemory, KeepsTicksPerModeAndTracksByPlaceOnTheDisc)
{
    const QString ifo = QStringLiteral("/d/VIDEO_TS/VTS_01_0.IFO");
    std::vector<JobRow> titles = DvdRowBuilder::rows(titleSet(), ifo, true, 0);
    titles[0].checked = false;
    ASSERT_TRUE(titles[0].dvd.chooseAudio(1));
    ASSERT_TRUE(titles[0].dvd.chooseSubtitle(1));
    DvdChoiceMemory memory;
    memory.remember(titles[0], true);

    std::vector<JobRow> chapters = DvdRowBuilder::rows(titleSet(), ifo, false, 0);
    EXPECT_FALSE(memory.tick(chapters[0].dvd, true));
    EXPECT_TRUE(memory.tick(chapters[0].dvd, false));
    EXPECT_TRUE(memory.tick(chapters[1].dvd, true));
    memory.applyTracks(chapters[1]);
    EXPECT_EQ(chapters[1].dvd.audioId, 0x81);
    EXPECT_EQ(chapters[1].dvd.subtitleId, 0x21);
    EXPECT_EQ(chapters[1].dvd.audioChoice, 1);

    // The same place in a title set that now has one audio track only.
    auto fewer = std::make_shared<dvd::TitleSet>(*titleSet());
    fewer->audio.resize(1);
    fewer->subtitles.clear();
    std::vector<JobRow> again = DvdRowBuilder::rows(fewer, ifo, true, 0);
    memory.applyTracks(again[0]);
    EXPECT_EQ(again[0].dvd.audioId, 0x80);
    EXPECT_EQ(again[0].dvd.audioChoice, 0);
    EXPECT_EQ(again[0].dvd.subtitleId, DvdRowInfo::kNoStream);
    EXPECT_FALSE(again[0].dvd.chooseSubtitle(1));
}
