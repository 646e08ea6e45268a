// Reading a locator's sectors: the bytes are the VOB's own, from a folder and
// from an image, and positions outside the title set are refused.
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "support/titlesetcells.h"
#include "dvd/titlereader.h"
#include "support/testdiscs.h"

using namespace transcast::dvd;
using namespace transcast::testdiscs;

namespace
{

std::vector<char> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Cell onlyCell(const std::string& ifo, int title)
{
    const std::vector<Cell> cells = titleCells(ifo, title);
    EXPECT_EQ(cells.size(), 1u);
    return cells.empty() ? Cell() : cells.front();
}

std::vector<char> readStream(TitleReader& reader, std::int64_t chunk)
{
    std::vector<char> bytes(static_cast<size_t>(reader.size()));
    std::int64_t at = 0;
    while (at < reader.size()) {
        const std::int64_t got =
            reader.read(at, bytes.data() + at, std::min(chunk, reader.size() - at));
        EXPECT_GT(got, 0) << reader.error();
        if (got <= 0)
            break;
        at += got;
    }
    EXPECT_EQ(reader.read(at, bytes.data(), 1), 0);
    return bytes;
}

} // namespace

TEST(TitleReader, ReadsTheSecondTitleOfASetExactlyAsTheVobHoldsIt)
{
    const TestDiscs& d = testDiscs();
    ASSERT_TRUE(d.ok) << d.error;
    const Cell magenta = onlyCell(d.ifo(3), 1);
    ASSERT_GT(magenta.firstSector, 0);
    const std::vector<char> vob = fileBytes(d.videoTs() + "/VTS_03_1.VOB");
    const std::vector<char> expected(vob.begin() + std::int64_t(magenta.firstSector) * SectorSize,
                                     vob.begin() +
                                         (std::int64_t(magenta.lastSector) + 1) * SectorSize);

    for (const std::string& root : {d.disc, d.videoTs(), d.iso}) {
        SCOPED_TRACE(root);
        DvdLocator locator;
        locator.titleSet = 3;
        locator.startPos = magenta.firstSector;
        locator.endPos = magenta.lastSector;
        locator.root = root;
        TitleReader reader;
        ASSERT_TRUE(reader.open(locator)) << reader.error();
        EXPECT_EQ(reader.titleSetSectors(), std::int64_t(vob.size()) / SectorSize);
        EXPECT_EQ(reader.size(), std::int64_t(expected.size()));
        // Large reads and odd-sized ones that straddle sectors and read-ahead runs.
        EXPECT_TRUE(readStream(reader, 4 << 20) == expected);
        EXPECT_TRUE(readStream(reader, 3001) == expected);
    }
}

TEST(TitleReader, ReadsTheLastSectorOfTheTitleSetAndNoFurther)
{
    const TestDiscs& d = testDiscs();
    ASSERT_TRUE(d.ok) << d.error;
    const std::vector<char> vob = fileBytes(d.videoTs() + "/VTS_02_1.VOB");
    const std::int32_t last = static_cast<std::int32_t>(vob.size() / SectorSize) - 1;

    DvdLocator locator;
    locator.titleSet = 2;
    locator.startPos = last;
    locator.endPos = last;
    locator.root = d.disc;
    TitleReader reader;
    ASSERT_TRUE(reader.open(locator)) << reader.error();
    std::vector<char> sector(SectorSize);
    ASSERT_EQ(reader.read(0, sector.data(), 100000), SectorSize);
    EXPECT_TRUE(std::equal(sector.begin(), sector.end(), vob.end() - SectorSize));

    locator.endPos = last + 1;
    EXPECT_FALSE(reader.open(locator));
    EXPECT_NE(reader.error().find("outside title set 2"), std::string::npos) << reader.error();
    EXPECT_EQ(reader.size(), 0);
    std::vector<char> buffer(16);
    EXPECT_EQ(reader.read(0, buffer.data(), 16), -1);
}

TEST(TitleReader, SaysWhyItCannotOpen)
{
    const TestDiscs& d = testDiscs();
    ASSERT_TRUE(d.ok) << d.error;
    DvdLocator locator;
    locator.titleSet = 4;
    locator.endPos = 10;
    locator.root = d.disc;
    TitleReader reader;
    EXPECT_FALSE(reader.open(locator));
    EXPECT_NE(reader.error().find("has no title set 4"), std::string::npos) << reader.error();

    locator.titleSet = 1;
    locator.root = d.noIfo;
    EXPECT_FALSE(reader.open(locator));
    EXPECT_NE(reader.error().find("has no title set 1"), std::string::npos) << reader.error();

    locator.root = d.folder + "/no-such-disc";
    EXPECT_FALSE(reader.open(locator));
    EXPECT_NE(reader.error().find("cannot open the DVD"), std::string::npos) << reader.error();
    EXPECT_NE(reader.error().find("No such file"), std::string::npos) << reader.error();

    locator.root = "/dev/null";
    EXPECT_FALSE(reader.open(locator));
    EXPECT_NE(reader.error().find("not a folder nor an image"), std::string::npos);
}
