// The IFO operations over libdvdread on discs authored by dvdauthor, checked
// against lsdvd's reading of the same discs, and over broken IFO files.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "dvd/dvdreadifolibrary.h"
#include "lsdvd.h"
#include "sametitle.h"
#include "support/testdiscs.h"

using namespace transcast::dvd;
using namespace transcast::testdiscs;

namespace
{

const TestDiscs& discs()
{
    const TestDiscs& d = testDiscs();
    if (!d.ok)
        ADD_FAILURE() << d.error;
    return d;
}

using Title = TitleSetInfo::Title;

Title readTitle(IfoLibrary& library, std::int32_t handle, int index)
{
    Title title;
    const int count = library.ifoGetPGCIInfo(handle, index, &title.time);
    title.cells.resize(count);
    EXPECT_EQ(library.ifoGetPGCICells(handle, index, title.cells.data(), count), count);
    return title;
}

std::vector<std::string> ids(IfoLibrary& library, std::int32_t handle, bool audio)
{
    std::vector<std::string> found;
    const int count = audio ? library.ifoGetNumAudio(handle) : library.ifoGetNumSubPic(handle);
    for (int i = 0; i < count; ++i)
        found.push_back(streamIdOf(audio ? library.ifoGetAudioDesc(handle, i)
                                         : library.ifoGetSubPicDesc(handle, i)));
    return found;
}

// Every title lsdvd lists, read through the IFO of its title set under
// `videoTs` (a folder, or a folder inside an image).
void expectSameAsLsdvd(const std::string& root, const std::string& videoTs)
{
    const std::vector<LsdvdTitle> expected = lsdvdTitles(root);
    ASSERT_EQ(expected.size(), 5u) << "lsdvd could not read " << root;
    DvdReadIfoLibrary library(discReader());
    for (const LsdvdTitle& want : expected) {
        SCOPED_TRACE("title set " + std::to_string(want.titleSet) + " title " +
                     std::to_string(want.titleInSet));
        char name[32];
        std::snprintf(name, sizeof name, "/VTS_%02d_0.IFO", want.titleSet);
        const std::int32_t handle = library.ifoOpen(videoTs + name, 0);
        ASSERT_NE(handle, 0);
        // dvdauthor gives each title one program chain, in order.
        ASSERT_GE(library.ifoGetNumPGCI(handle), want.titleInSet);
        const Title title = readTitle(library, handle, want.titleInSet - 1);
        EXPECT_EQ(title.time.totalSeconds(), static_cast<int>(want.seconds));
        ASSERT_EQ(title.cells.size(), want.cellSeconds.size());
        for (size_t i = 0; i < title.cells.size(); ++i)
            EXPECT_EQ(title.cells[i].totalSeconds(), static_cast<int>(want.cellSeconds[i]));
        EXPECT_EQ(ids(library, handle, true), want.audioIds);
        // lsdvd lists the subtitles a title switches on; the title set's
        // list is its first title's.
        if (want.titleInSet == 1) {
            EXPECT_EQ(ids(library, handle, false), want.subtitleIds);
        }
        const std::string video = library.ifoGetVideoDesc(handle);
        EXPECT_EQ(frameSizeWord(video),
                  std::to_string(want.width) + "x" + std::to_string(want.height));
        EXPECT_NE(video.find(want.aspect == "16/9" ? "16:9" : "4:3"), std::string::npos) << video;
    }
}

} // namespace

TEST(IfoLibrary, ReadsWhatLsdvdReadsFromAFolderAndFromAnImage)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    expectSameAsLsdvd(d.disc, d.videoTs());
    expectSameAsLsdvd(d.iso, d.iso + "/VIDEO_TS");
}

TEST(IfoLibrary, DescribesTracksAndPictureInTheFormTheListsShow)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    DvdReadIfoLibrary library(discReader());
    const std::int32_t first = library.ifoOpen(d.ifo(1));
    ASSERT_NE(first, 0);
    EXPECT_EQ(library.ifoGetNumAudio(first), 2);
    EXPECT_EQ(library.ifoGetAudioDesc(first, 0), "English AC3 2ch (0x80)");
    EXPECT_EQ(library.ifoGetAudioDesc(first, 1), "German AC3 2ch (0x81)");
    EXPECT_EQ(library.ifoGetNumSubPic(first), 1);
    EXPECT_EQ(library.ifoGetSubPicDesc(first, 0), "English (0x20)");
    EXPECT_EQ(library.ifoGetVideoDesc(first), "MPEG-2 720x576 PAL 4:3");

    const std::int32_t wide = library.ifoOpen(d.ifo(2));
    ASSERT_NE(wide, 0);
    EXPECT_EQ(library.ifoGetAudioDesc(wide, 0), "French AC3 2ch (0x80)");
    EXPECT_EQ(library.ifoGetNumSubPic(wide), 0);
    EXPECT_EQ(library.ifoGetVideoDesc(wide), "MPEG-2 720x576 PAL 16:9");

    DvdReadIfoLibrary other(discReader());
    const std::int32_t mute = other.ifoOpen(d.mute + "/VIDEO_TS/VTS_01_0.IFO");
    ASSERT_NE(mute, 0);
    EXPECT_EQ(other.ifoGetNumAudio(mute), 0);
    EXPECT_EQ(other.ifoGetAudioDesc(mute, 0), "");
    EXPECT_EQ(other.ifoGetNumPGCI(mute), 1);
}

// Lengths come to the frame, PAL and NTSC alike, through register.dat's
// pipe; a damaged title set between two sound ones costs only itself.
TEST(IfoLibrary, LengthsCarryTheirFrames)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    DvdReadIfoLibrary library(discReader());
    const std::string videoTs = d.odd + "/VIDEO_TS";
    const std::int32_t pal = library.ifoOpen(videoTs + "/VTS_01_0.IFO");
    ASSERT_NE(pal, 0);
    const Title title = readTitle(library, pal, 0);
    EXPECT_EQ(title.time.totalSeconds(), oddTitleMilliseconds / 1000);
    EXPECT_EQ(title.time.totalMilliseconds(), oddTitleMilliseconds);
    ASSERT_EQ(title.cells.size(), 2u);
    EXPECT_EQ(title.cells[0].totalMilliseconds(), oddChapterMilliseconds[0]);
    EXPECT_EQ(title.cells[1].totalMilliseconds(), oddChapterMilliseconds[1]);
    EXPECT_EQ(library.ifoOpen(videoTs + "/VTS_02_0.IFO"), 0);
    const std::int32_t ntsc = library.ifoOpen(videoTs + "/VTS_03_0.IFO");
    ASSERT_NE(ntsc, 0);
    EXPECT_EQ(readTitle(library, ntsc, 0).time.totalMilliseconds(), oddNtscMilliseconds);
    // A frame byte of no known rate adds nothing.
    EXPECT_EQ(playingMilliseconds(3, 0x16), 3000);
}

TEST(IfoLibrary, CellsCoverTheTitleSetInOrderWithInclusiveEnds)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    DvdReadIfoLibrary library(discReader());
    const std::int32_t chapters = library.ifoOpen(d.ifo(1));
    ASSERT_EQ(library.ifoGetNumPGCI(chapters), 2);
    const Title first = readTitle(library, chapters, 0);
    EXPECT_EQ(first.time.totalSeconds(), firstTitleSeconds);
    ASSERT_EQ(first.cells.size(), 3u);
    EXPECT_EQ(first.cells[0].startPos, 0);
    for (size_t i = 0; i < first.cells.size(); ++i) {
        EXPECT_EQ(first.cells[i].totalSeconds(), firstTitleChapters[i].seconds);
        EXPECT_GE(first.cells[i].endPos - first.cells[i].startPos, 1000) << "cell " << i;
        if (i > 0) {
            // A copy: a packed record's fields are not aligned for a reference.
            const std::int32_t start = first.cells[i].startPos;
            EXPECT_EQ(start, first.cells[i - 1].endPos + 1);
        }
    }
    const Title shortTitle = readTitle(library, chapters, 1);
    ASSERT_EQ(shortTitle.cells.size(), 1u);
    EXPECT_EQ(shortTitle.time.totalSeconds(), shortTitleSeconds);
    EXPECT_LT(shortTitle.cells[0].endPos - shortTitle.cells[0].startPos, 1000);

    // The second of two titles in one title set starts where the first ends:
    // its own start position, never 0.
    const std::int32_t twoTitles = library.ifoOpen(d.ifo(3));
    ASSERT_EQ(library.ifoGetNumPGCI(twoTitles), 2);
    const Title yellow = readTitle(library, twoTitles, 0);
    const Title magenta = readTitle(library, twoTitles, 1);
    ASSERT_EQ(magenta.cells.size(), 1u);
    EXPECT_EQ(magenta.cells[0].startPos, yellow.cells.back().endPos + 1);
    EXPECT_EQ(magenta.time.totalSeconds(), longTitleSeconds);

    // A buffer smaller than the title gets only what fits.
    CellRecord one[1];
    EXPECT_EQ(library.ifoGetPGCICells(chapters, 0, one, 1), 1);
    EXPECT_EQ(one[0].endPos, first.cells[0].endPos);
}

TEST(IfoLibrary, BadHandlesAndIndexesGiveNothing)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    DvdReadIfoLibrary library(discReader());
    const std::int32_t handle = library.ifoOpen(d.ifo(1));
    ASSERT_NE(handle, 0);
    TitleTime time{9, 9, 9, 0};
    EXPECT_EQ(library.ifoGetPGCIInfo(handle, 2, &time), 0);
    EXPECT_EQ(time.totalSeconds(), 0);
    EXPECT_EQ(library.ifoGetPGCIInfo(handle, -1, nullptr), 0);
    CellRecord cell;
    EXPECT_EQ(library.ifoGetPGCICells(handle, 7, &cell, 1), 0);
    EXPECT_EQ(library.ifoGetAudioDesc(handle, 2), "");
    EXPECT_EQ(library.ifoGetSubPicDesc(handle, -1), "");
    EXPECT_EQ(library.ifoGetNumPGCI(handle + 1), 0);
    EXPECT_EQ(library.ifoGetVideoDesc(0), "");
    library.ifoClose(handle);
    EXPECT_EQ(library.ifoGetNumPGCI(handle), 0);
}

TEST(IfoLibrary, RefusesWhatIsNoTitleSet)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    DvdReadIfoLibrary library(discReader());
    EXPECT_EQ(library.ifoOpen(d.videoTs() + "/VIDEO_TS.IFO"), 0);
    EXPECT_EQ(library.ifoOpen(d.videoTs() + "/VTS_04_0.IFO"), 0);
    EXPECT_EQ(library.ifoOpen(d.videoTs() + "/VTS_01_1.VOB"), 0);
    EXPECT_EQ(library.ifoOpen(d.noIfo + "/VIDEO_TS/VTS_01_0.IFO"), 0);
    EXPECT_EQ(library.ifoOpen(d.noIfo + "/readme.txt"), 0);
    EXPECT_EQ(library.ifoOpen(d.iso + "/VIDEO_TS/VTS_09_0.IFO"), 0);
    EXPECT_EQ(library.ifoOpen("/no/such/VIDEO_TS/VTS_01_0.IFO"), 0);
    EXPECT_EQ(library.ifoOpen(""), 0);
    // Other path spellings of a real IFO still read.
    EXPECT_NE(library.ifoOpen(d.disc + "/VIDEO_TS/../VIDEO_TS/VTS_01_0.IFO"), 0);
}

namespace
{

class TempFolder
{
public:
    TempFolder()
    {
        char pattern[] = "/tmp/transcast-ifo-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~TempFolder() { std::system(("rm -rf '" + m_path + "'").c_str()); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

std::vector<char> readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string& path, const std::vector<char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A copy of the IFO file whose title table counts 767 titles: libdvdread
// believes it and writes through a null pointer.
std::vector<char> withTitleCountBeyondTheTable(const std::string& ifoPath)
{
    std::vector<char> ifo = readAll(ifoPath);
    EXPECT_GT(ifo.size(), 0xD0u);
    if (ifo.size() <= 0xD0u)
        return ifo;
    // The title table's sector stands at 0xCC; its first two bytes count the
    // titles.
    const size_t table = ((std::uint8_t(ifo[0xCC]) << 24) | (std::uint8_t(ifo[0xCD]) << 16) |
                          (std::uint8_t(ifo[0xCE]) << 8) | std::uint8_t(ifo[0xCF])) *
                         2048;
    EXPECT_LT(table + 1, ifo.size());
    if (table + 1 < ifo.size())
        ifo[table + 1] = static_cast<char>(0xFF);
    return ifo;
}

// The two handles answer alike about everything.
void expectSameTitleSet(IfoLibrary& library, std::int32_t handle, IfoLibrary& other,
                        std::int32_t otherHandle)
{
    ASSERT_NE(otherHandle, 0);
    EXPECT_EQ(library.ifoGetVideoDesc(handle), other.ifoGetVideoDesc(otherHandle));
    EXPECT_EQ(ids(library, handle, true), ids(other, otherHandle, true));
    EXPECT_EQ(ids(library, handle, false), ids(other, otherHandle, false));
    ASSERT_EQ(library.ifoGetNumPGCI(handle), other.ifoGetNumPGCI(otherHandle));
    for (int t = 0; t < library.ifoGetNumPGCI(handle); ++t)
        expectSameTitle(readTitle(library, handle, t), readTitle(other, otherHandle, t));
}

// Reads everything the library offers about a title set; a broken IFO may
// give odd figures but must neither crash nor read out of bounds.
void readEverything(IfoLibrary& library, std::int32_t handle)
{
    const int titles = library.ifoGetNumPGCI(handle);
    for (int i = 0; i < library.ifoGetNumAudio(handle); ++i)
        library.ifoGetAudioDesc(handle, i);
    for (int i = 0; i < library.ifoGetNumSubPic(handle); ++i)
        library.ifoGetSubPicDesc(handle, i);
    for (int t = 0; t < titles; ++t)
        readTitle(library, handle, t);
    library.ifoGetVideoDesc(handle);
}

} // namespace

TEST(IfoLibrary, TruncatedOrCorruptIfoFilesGiveZeroOrSaneFiguresNeverACrash)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    const std::vector<char> ifo = readAll(d.ifo(1));
    ASSERT_GT(ifo.size(), 2048u);
    TempFolder folder;
    const std::string path = folder.path() + "/VTS_01_0.IFO";

    // Cut anywhere, with no backup beside it: nothing to read.
    for (size_t length : {size_t(0), size_t(1), size_t(100), size_t(2047), size_t(2048),
                          size_t(4096), ifo.size() - 1}) {
        writeAll(path, std::vector<char>(ifo.begin(), ifo.begin() + length));
        DvdReadIfoLibrary library(discReader());
        const std::int32_t handle = library.ifoOpen(path);
        if (handle != 0)
            readEverything(library, handle);
        EXPECT_TRUE(handle == 0 || length > 2048) << "cut at " << length;
    }

    // Bytes changed at random: whatever opens still reads within bounds.
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        std::vector<char> broken = ifo;
        const int changes = 1 + round % 16;
        for (int i = 0; i < changes; ++i)
            broken[random() % broken.size()] = static_cast<char>(random());
        writeAll(path, broken);
        DvdReadIfoLibrary library(discReader());
        const std::int32_t handle = library.ifoOpen(path);
        if (handle != 0)
            readEverything(library, handle);
    }
}

TEST(IfoLibrary, ATitleCountBeyondTheTableGivesZeroInsteadOfCrashing)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TempFolder folder;
    writeAll(folder.path() + "/VTS_01_0.IFO", withTitleCountBeyondTheTable(d.ifo(1)));
    DvdReadIfoLibrary library(discReader());
    EXPECT_EQ(library.ifoOpen(folder.path() + "/VTS_01_0.IFO"), 0);
    // The library stays usable.
    EXPECT_NE(library.ifoOpen(d.ifo(1)), 0);
}

// One register.dat reads a disc's title sets from the one asked for
// onwards. A title set that crashes it costs only itself: those before it
// were handed over whole, and the ones after it are read by a new one.
TEST(IfoLibrary, ATitleSetThatCrashesTheReadingCostsOnlyItself)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TempFolder folder;
    const std::string first = folder.path() + "/VTS_01_0.IFO";
    const std::string damaged = folder.path() + "/VTS_02_0.IFO";
    const std::string third = folder.path() + "/VTS_03_0.IFO";
    writeAll(first, readAll(d.ifo(1)));
    writeAll(damaged, withTitleCountBeyondTheTable(d.ifo(2)));
    writeAll(third, readAll(d.ifo(3)));

    DvdReadIfoLibrary library(discReader());
    const std::int32_t one = library.ifoOpen(first);
    ASSERT_NE(one, 0);
    EXPECT_EQ(library.ifoOpen(damaged), 0);
    const std::int32_t three = library.ifoOpen(third);
    ASSERT_NE(three, 0);

    DvdReadIfoLibrary alone(discReader());
    expectSameTitleSet(library, one, alone, alone.ifoOpen(d.ifo(1)));
    expectSameTitleSet(library, three, alone, alone.ifoOpen(d.ifo(3)));
}

// A title set whose IFO file crashes the reading is read from its backup
// copy when that is sound, as libdvdread does for an IFO it cannot read; the
// folder is left as it was.
TEST(IfoLibrary, ATitleSetThatCrashesTheReadingIsReadFromItsBackupCopy)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TempFolder folder;
    const std::string damaged = folder.path() + "/vts_02_0.ifo";
    writeAll(folder.path() + "/vts_01_0.ifo", readAll(d.ifo(1)));
    writeAll(damaged, withTitleCountBeyondTheTable(d.ifo(2)));
    writeAll(folder.path() + "/vts_02_0.bup", readAll(d.videoTs() + "/VTS_02_0.BUP"));

    DvdReadIfoLibrary library(discReader());
    ASSERT_NE(library.ifoOpen(folder.path() + "/vts_01_0.ifo"), 0);
    const std::int32_t two = library.ifoOpen(damaged);
    ASSERT_NE(two, 0);
    DvdReadIfoLibrary alone(discReader());
    expectSameTitleSet(library, two, alone, alone.ifoOpen(d.ifo(2)));
    EXPECT_EQ(readAll(damaged), withTitleCountBeyondTheTable(d.ifo(2)));

    // A backup that crashes the reading too costs only its title set.
    writeAll(folder.path() + "/vts_02_0.bup", withTitleCountBeyondTheTable(d.ifo(2)));
    writeAll(damaged, withTitleCountBeyondTheTable(d.ifo(2)));
    writeAll(folder.path() + "/vts_03_0.ifo", readAll(d.ifo(3)));
    DvdReadIfoLibrary again(discReader());
    EXPECT_EQ(again.ifoOpen(damaged), 0);
    EXPECT_NE(again.ifoOpen(folder.path() + "/vts_03_0.ifo"), 0);
}

// What was read is kept only while the file stays as it was: another disc
// mounted at the same place is read anew.
TEST(IfoLibrary, AnotherTitleSetAtTheSamePathIsReadAnew)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TempFolder folder;
    const std::string path = folder.path() + "/VTS_01_0.IFO";
    writeAll(path, readAll(d.ifo(1)));
    DvdReadIfoLibrary library(discReader());
    std::int32_t handle = library.ifoOpen(path);
    EXPECT_EQ(library.ifoGetVideoDesc(handle), "MPEG-2 720x576 PAL 4:3");
    library.ifoClose(handle);

    writeAll(folder.path() + "/other", readAll(d.ifo(2)));
    ASSERT_EQ(std::rename((folder.path() + "/other").c_str(), path.c_str()), 0);
    handle = library.ifoOpen(path);
    EXPECT_EQ(library.ifoGetVideoDesc(handle), "MPEG-2 720x576 PAL 16:9");
}

TEST(IfoLibrary, AnUnreadableIfoIsReadFromItsBackupCopy)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TempFolder folder;
    writeAll(folder.path() + "/VTS_01_0.IFO", std::vector<char>(100, 'x'));
    writeAll(folder.path() + "/VTS_01_0.BUP", readAll(d.videoTs() + "/VTS_01_0.BUP"));
    DvdReadIfoLibrary library(discReader());
    const std::int32_t handle = library.ifoOpen(folder.path() + "/VTS_01_0.IFO");
    ASSERT_NE(handle, 0);
    EXPECT_EQ(library.ifoGetNumPGCI(handle), 2);
    EXPECT_EQ(library.ifoGetAudioDesc(handle, 1), "German AC3 2ch (0x81)");
}

TEST(IfoLibrary, LibdvdreadPrintsNothing)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    std::fflush(stdout);
    std::fflush(stderr);
    TempFolder folder;
    const std::string capture = folder.path() + "/out";
    const int sink = open(capture.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(sink, 0);
    const int savedOut = dup(STDOUT_FILENO);
    const int savedErr = dup(STDERR_FILENO);
    dup2(sink, STDOUT_FILENO);
    dup2(sink, STDERR_FILENO);
    {
        DvdReadIfoLibrary library(discReader());
        library.ifoOpen(d.ifo(1));
        library.ifoOpen(d.iso + "/VIDEO_TS/VTS_02_0.IFO");
        library.ifoOpen(d.noIfo + "/VTS_01_0.IFO");
        library.ifoOpen(d.iso + "/VIDEO_TS/VTS_07_0.IFO");
    }
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, STDOUT_FILENO);
    dup2(savedErr, STDERR_FILENO);
    close(savedOut);
    close(savedErr);
    close(sink);
    const std::vector<char> printed = readAll(capture);
    EXPECT_EQ(std::string(printed.begin(), printed.end()), "");
}

namespace
{

int forks = 0;

// From the first call on, counts the forks of this process (posix_spawn and
// exec run no fork handlers).
bool countForks()
{
    static const bool counting = pthread_atfork([] { ++forks; }, nullptr, nullptr) == 0;
    return counting;
}

// A shell script standing in for register.dat.
std::string readerScript(const std::string& path, const std::string& body)
{
    const std::string text = "#!/bin/sh\n" + body;
    writeAll(path, std::vector<char>(text.begin(), text.end()));
    chmod(path.c_str(), 0755);
    return path;
}

std::vector<std::string> linesOf(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

// The title sets are read by register.dat started as a program, once per
// disc from the title set asked for onwards, never by a fork of this
// process; the same unchanged disc is not read again.
TEST(IfoLibrary, ReadsTitleSetsInRegisterDatStartedAsAProgramNeverInAFork)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TempFolder folder;
    const std::string log = folder.path() + "/arguments";
    const std::string reader =
        readerScript(folder.path() + "/register.dat",
                     "echo \"$*\" >> '" + log + "'\nexec '" + discReader() + "' \"$@\"\n");
    ASSERT_TRUE(countForks());
    const int forksBefore = forks;

    DvdReadIfoLibrary library(reader);
    for (int set = 1; set <= 3; ++set)
        EXPECT_NE(library.ifoOpen(d.ifo(set)), 0) << set;
    const std::string inImage = d.iso + "/VIDEO_TS/VTS_02_0.IFO";
    EXPECT_NE(library.ifoOpen(inImage), 0);
    EXPECT_NE(library.ifoOpen(d.ifo(1)), 0);
    EXPECT_EQ(library.readerProblem(), "");
    EXPECT_EQ(forks, forksBefore);
    EXPECT_EQ(linesOf(log),
              (std::vector<std::string>{"--describe-disc " + d.videoTs() + " 1 " + d.ifo(1),
                                        "--describe-disc " + d.iso + " 2 " + inImage}));
}

// A reader that cannot be started, fails, or answers with what is no whole
// description reads nothing and says why, and nothing of that is kept: the
// same library reads the disc once its reader is sound. One that crashes or
// hangs costs the title set it was reading, as a damaged file does, says
// nothing, and is killed.
TEST(IfoLibrary, AReaderThatFailsSaysWhyAndOneThatCrashesOrHangsCostsItsTitleSet)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TempFolder folder;
    const std::string reader = folder.path() + "/register.dat";
    const std::string cannot = "The encoder " + reader + " described the disc " + d.videoTs() +
                               " in a form this program cannot read: ";
    const struct {
        std::string body; // empty: no reader at all
        std::string problem;
    } failures[] = {
        {"", "Cannot start the encoder " + reader + " to read the disc " + d.videoTs() +
                 ": No such file or directory"},
        {"exit 2\n", "The encoder " + reader + " could not describe the disc " + d.videoTs() +
                         " (exit status 2)"},
        {"echo 'usage: register.dat -i FILE'\n", cannot + "not a description of title sets"},
        {"'" + discReader() + "' \"$@\" | head -c 100\n", cannot + "cut short"},
    };
    DvdReadIfoLibrary library(reader, std::chrono::milliseconds(300));
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.problem);
        std::remove(reader.c_str());
        if (!failure.body.empty())
            readerScript(reader, failure.body);
        EXPECT_EQ(library.ifoOpen(d.ifo(1)), 0);
        EXPECT_EQ(library.readerProblem(), failure.problem);
    }
    // The real program, but not executable.
    writeAll(reader, readAll(discReader()));
    chmod(reader.c_str(), 0644);
    EXPECT_EQ(library.ifoOpen(d.ifo(1)), 0);
    EXPECT_EQ(library.readerProblem(), "Cannot start the encoder " + reader + " to read the disc " +
                                           d.videoTs() + ": Permission denied");
    chmod(reader.c_str(), 0755);
    EXPECT_NE(library.ifoOpen(d.ifo(1)), 0);
    EXPECT_EQ(library.readerProblem(), "");

    const std::string pids = folder.path() + "/pids";
    // An error status after the description began is a crash too: that is
    // how a sanitized build reports one.
    for (const std::string& body :
         {std::string("kill -SEGV $$\n"), std::string("printf 'TCTS\\001\\0\\0\\0'\nexit 1\n"),
          "echo $$ >> '" + pids + "'\nexec sleep 60\n"}) {
        SCOPED_TRACE(body);
        readerScript(reader, body);
        DvdReadIfoLibrary crashing(reader, std::chrono::milliseconds(300));
        EXPECT_EQ(crashing.ifoOpen(d.ifo(1)), 0);
        EXPECT_EQ(crashing.readerProblem(), "");
    }
    const std::vector<std::string> hung = linesOf(pids);
    EXPECT_EQ(hung.size(), 2u) << "the title set and then its backup copy";
    for (const std::string& pid : hung)
        EXPECT_NE(kill(std::stoi(pid), 0), 0) << "still running: " << pid;
}
