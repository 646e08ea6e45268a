// The records a disc-reading child hands over through its pipe.
#include <string>

#include <gtest/gtest.h>

#include "dvd/titlesetinfo.h"
#include "sametitle.h"

using namespace transcast::dvd;

namespace
{

TitleSetRecord sampleRecord()
{
    TitleSetRecord record;
    record.number = 3;
    record.stamp.exists = true;
    record.stamp.inode = 4242;
    record.stamp.modifiedNanoseconds = 999999999;
    record.readable = true;
    record.info.video = "MPEG-2 720x576 PAL 16:9";
    record.info.audio = {"English AC3 2ch (0x80)", "German AC3 2ch (0x81)"};
    record.info.subpictures = {"English (0x20)"};
    // A title the table names without a program chain: no time, no cells.
    record.info.titles.resize(2);
    TitleSetInfo::Title& title = record.info.titles[1];
    title.time.minutes = 1;
    title.time.seconds = 5;
    CellRecord cell;
    cell.startPos = 1000;
    cell.endPos = 2999;
    cell.seconds = 40;
    title.cells = {cell, cell};
    title.cells[1].startPos = 3000;
    return record;
}

void expectSame(const TitleSetRecord& got, const TitleSetRecord& want)
{
    EXPECT_EQ(got.number, want.number);
    EXPECT_EQ(got.stamp, want.stamp);
    EXPECT_EQ(got.readable, want.readable);
    EXPECT_EQ(got.info.video, want.info.video);
    EXPECT_EQ(got.info.audio, want.info.audio);
    EXPECT_EQ(got.info.subpictures, want.info.subpictures);
    ASSERT_EQ(got.info.titles.size(), want.info.titles.size());
    for (size_t t = 0; t < want.info.titles.size(); ++t)
        expectSameTitle(got.info.titles[t], want.info.titles[t]);
}

} // namespace

// Records come through whole and in order; a child that died halfway
// through writing one leaves nothing of it to decode.
TEST(TitleSetRecords, ComeThroughWholeAndAHalfWrittenOneIsNone)
{
    TitleSetRecord unreadable;
    unreadable.number = 4;
    std::string bytes;
    encodeRecord(sampleRecord(), bytes);
    const size_t firstEnd = bytes.size();
    encodeRecord(unreadable, bytes);

    size_t offset = 0;
    TitleSetRecord got;
    ASSERT_TRUE(decodeRecord(bytes, &offset, &got));
    expectSame(got, sampleRecord());
    EXPECT_EQ(offset, firstEnd);
    ASSERT_TRUE(decodeRecord(bytes, &offset, &got));
    expectSame(got, unreadable);
    EXPECT_EQ(offset, bytes.size());
    EXPECT_FALSE(decodeRecord(bytes, &offset, &got));

    for (size_t length = 0; length < firstEnd; ++length) {
        size_t at = 0;
        EXPECT_FALSE(decodeRecord(bytes.substr(0, length), &at, &got)) << length;
        EXPECT_EQ(at, 0u);
    }
}
