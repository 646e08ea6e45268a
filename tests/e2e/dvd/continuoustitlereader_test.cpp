// A title whose cells each start their clock again (as dvdauthor writes
// them) reads as one stream on one clock: ffprobe sees its pictures rise
// without a break from a tenth of a second to the title's length.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dvd/continuoustitlereader.h"
#include "support/titlesetcells.h"
#include "support/testdiscs.h"

using namespace transcast::dvd;
using namespace transcast::testdiscs;

namespace
{

DvdLocator firstTitle(const std::string& root)
{
    const std::vector<Cell> cells = titleCells(testDiscs().ifo(1), 0);
    EXPECT_EQ(cells.size(), 3u);
    DvdLocator locator;
    if (cells.size() < 3)
        return locator;
    locator.titleSet = 1;
    locator.startPos = cells[0].firstSector;
    locator.endPos = cells[2].lastSector;
    locator.root = root;
    return locator;
}

// The pictures' times, in showing order, as ffprobe decodes them.
std::vector<double> pictureTimes(const std::string& path)
{
    std::vector<double> times;
    FILE* pipe = popen(("ffprobe -v error -select_streams v:0 -show_entries frame=pts_time "
                        "-of compact '" +
                        path + "'")
                           .c_str(),
                       "r");
    char line[512];
    double t = 0;
    while (pipe && std::fgets(line, sizeof line, pipe)) {
        if (std::sscanf(line, "frame|pts_time=%lf", &t) == 1)
            times.push_back(t);
    }
    if (pipe)
        pclose(pipe);
    return times;
}

} // namespace

TEST(ContinuousTitleReader, CellsThatRestartTheirClockPlayOnOneClock)
{
    const TestDiscs& d = testDiscs();
    ASSERT_TRUE(d.ok) << d.error;
    ContinuousTitleReader reader;
    ASSERT_TRUE(reader.open(firstTitle(d.iso))) << reader.error();
    const std::int64_t size = reader.size();

    // From the back first, in odd pieces: a read far ahead walks the
    // navigation packs, and the result does not depend on the order.
    std::vector<char> backwards(static_cast<size_t>(size));
    const std::int64_t piece = 300001;
    for (std::int64_t end = size; end > 0; end -= piece) {
        const std::int64_t at = std::max<std::int64_t>(0, end - piece);
        ASSERT_EQ(reader.read(at, backwards.data() + at, end - at), end - at) << reader.error();
    }
    ContinuousTitleReader again;
    ASSERT_TRUE(again.open(firstTitle(d.disc)));
    std::vector<char> forwards(static_cast<size_t>(size));
    ASSERT_EQ(again.read(0, forwards.data(), size), size);
    EXPECT_EQ(again.read(size, forwards.data(), 1), 0);
    EXPECT_TRUE(forwards == backwards);

    const std::string path = d.folder + "/continuous-title.vob";
    std::ofstream(path, std::ios::binary).write(forwards.data(), size);
    const std::vector<double> times = pictureTimes(path);
    std::remove(path.c_str());
    ASSERT_EQ(times.size(), size_t(firstTitleSeconds * 25));
    EXPECT_NEAR(times.front(), 0.1, 0.001);
    for (size_t i = 1; i < times.size(); ++i)
        ASSERT_NEAR(times[i] - times[i - 1], 0.04, 0.001) << "at picture " << i;
}
