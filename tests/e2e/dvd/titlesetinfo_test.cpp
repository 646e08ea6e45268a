// The records register.dat hands over through its pipe, and their framing.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dvd/titlesetinfo.h"
#include "dvd/titlesetstream.h"
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
    record.info.video.aspect = DisplayAspect::SixteenNine;
    record.info.audio = {{0x80, "en", AudioCoding::Ac3, 2}, {0x89, "", AudioCoding::Dts, 6}};
    record.info.subtitles = {{0x20, "en"}};
    // A title the table names without a program chain: no time, no cells.
    record.info.titles.resize(2);
    Title& title = record.info.titles[1];
    title.milliseconds = 65040;
    title.cells = {{1000, 2999, 40000}, {3000, 4999, 25040}};
    title.chapters = {{0, 0}, {1, 1}};
    title.discTitle = 7;
    record.info.heldSectors = 4000;
    record.info.namedTitles = 2;
    return record;
}

void expectSame(const TitleSetRecord& got, const TitleSetRecord& want)
{
    EXPECT_EQ(got.number, want.number);
    EXPECT_EQ(got.stamp, want.stamp);
    EXPECT_EQ(got.readable, want.readable);
    EXPECT_TRUE(got.info.video == want.info.video);
    EXPECT_TRUE(got.info.audio == want.info.audio);
    EXPECT_TRUE(got.info.subtitles == want.info.subtitles);
    EXPECT_EQ(got.info.heldSectors, want.info.heldSectors);
    EXPECT_EQ(got.info.namedTitles, want.info.namedTitles);
    ASSERT_EQ(got.info.titles.size(), want.info.titles.size());
    for (size_t t = 0; t < want.info.titles.size(); ++t) {
        expectSameTitle(got.info.titles[t], want.info.titles[t]);
        EXPECT_EQ(got.info.titles[t].discTitle, want.info.titles[t].discTitle);
    }
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

// A record naming what no title set holds (a chapter past its title's cells,
// a coding the program does not know, a stream id beyond a byte, a sector
// count below zero, a disc title past 99) is refused whole, so nothing
// downstream ever meets one.
TEST(TitleSetRecords, ValuesOutOfTheirRangeAreNoRecord)
{
    std::vector<TitleSetRecord> wrong(7, sampleRecord());
    wrong[4].info.heldSectors = -1;
    wrong[5].info.namedTitles = 100;
    wrong[6].info.titles[1].discTitle = 100;
    wrong[0].info.titles[1].chapters = {{0, 2}};
    wrong[1].info.titles[1].chapters = {{1, 0}};
    wrong[2].info.audio[0].coding = static_cast<AudioCoding>(7);
    wrong[3].info.subtitles[0].streamId = 0x120;
    for (size_t i = 0; i < wrong.size(); ++i) {
        std::string bytes;
        encodeRecord(wrong[i], bytes);
        size_t offset = 0;
        TitleSetRecord got;
        EXPECT_FALSE(decodeRecord(bytes, &offset, &got)) << i;
    }
}

// A described disc reads back whole; cut anywhere it is never whole and
// gives only the title sets wholly before the cut; any one byte changed
// (hash, size, count, version or a title set's text) is never taken for a
// whole stream, and gives no title set it did not hold.
TEST(TitleSetStreams, AreTakenWholeOrRejectedWithTheReason)
{
    TitleSetRecord unreadable;
    unreadable.number = 4;
    const std::string start = titleSetStreamStart();
    const std::string first = titleSetFrame(sampleRecord());
    const std::string stream = start + first + titleSetFrame(unreadable) + titleSetStreamEnd(2);

    const TitleSetStream whole = readTitleSetStream(stream);
    ASSERT_TRUE(whole.whole()) << whole.faultText();
    ASSERT_EQ(whole.records.size(), 2u);
    expectSame(whole.records[0], sampleRecord());
    expectSame(whole.records[1], unreadable);

    // How many title sets lie wholly before the byte at a position.
    const size_t end = stream.size() - titleSetStreamEnd(2).size();
    const auto before = [&](size_t at) -> size_t {
        return at < start.size() + first.size() ? 0 : at < end ? 1 : 2;
    };
    for (size_t length = 0; length < stream.size(); ++length) {
        const TitleSetStream cut = readTitleSetStream(stream.substr(0, length));
        EXPECT_FALSE(cut.whole()) << length;
        EXPECT_EQ(cut.records.size(), before(length)) << length;
    }
    for (size_t at = 0; at < stream.size(); ++at) {
        std::string changed = stream;
        changed[at] = static_cast<char>(changed[at] ^ 0x5A);
        const TitleSetStream read = readTitleSetStream(changed);
        EXPECT_FALSE(read.whole()) << at;
        EXPECT_LE(read.records.size(), before(at)) << at;
    }
    EXPECT_EQ(readTitleSetStream("").faultText(), "no answer");
    EXPECT_EQ(readTitleSetStream("usage: register.dat -i FILE\n").faultText(),
              "not a description of title sets");
    std::string later = stream;
    later[4] = 1;
    EXPECT_EQ(readTitleSetStream(later).faultText(), "version 1 where 3 was expected");
    later[4] = 2;
    EXPECT_EQ(readTitleSetStream(later).faultText(), "version 2 where 3 was expected");
    EXPECT_EQ(readTitleSetStream(stream + "x").faultText(), "damaged");
}
