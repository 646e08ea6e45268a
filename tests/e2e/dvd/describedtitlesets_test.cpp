// Title sets read through register.dat on discs authored by dvdauthor, checked
// against lsdvd's reading of the same discs, and over broken IFO files.
#include <atomic>
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

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include "common/busystate.h"
#include "common/edition.h"
#include "dvd/tracktext.h"
#include "lsdvd.h"
#include "sametitle.h"
#include "sources/dvdtitles.h"
#include "sources/encodertitlesets.h"
#include "sources/joblist.h"
#include "sources/opticaldrive.h"
#include "support/discreading.h"
#include "support/scriptedinteraction.h"
#include "support/testdiscs.h"
#include "support/titlesetcells.h"
#include "support/titlesetsnow.h"

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

std::vector<int> ids(const TitleSet& titleSet, bool audio)
{
    std::vector<int> found;
    if (audio)
        for (const AudioTrack& track : titleSet.audio)
            found.push_back(track.streamId);
    else
        for (const SubtitleTrack& track : titleSet.subtitles)
            found.push_back(track.streamId);
    return found;
}

std::vector<int> numbers(const std::vector<std::string>& hexIds)
{
    std::vector<int> found;
    for (const std::string& id : hexIds)
        found.push_back(std::stoi(id, nullptr, 16));
    return found;
}

// Every title lsdvd lists, read through the IFO of its title set under
// `videoTs` (a folder, or a folder inside an image).
void expectSameAsLsdvd(const std::string& root, const std::string& videoTs)
{
    const std::vector<LsdvdTitle> expected = lsdvdTitles(root);
    ASSERT_EQ(expected.size(), 5u) << "lsdvd could not read " << root;
    TitleSetsNow library(discReader());
    for (const LsdvdTitle& want : expected) {
        SCOPED_TRACE("title set " + std::to_string(want.titleSet) + " title " +
                     std::to_string(want.titleInSet));
        char name[32];
        std::snprintf(name, sizeof name, "/VTS_%02d_0.IFO", want.titleSet);
        const std::shared_ptr<const TitleSet> titleSet = library.read(videoTs + name);
        ASSERT_TRUE(titleSet);
        // dvdauthor gives each title one program chain, in order.
        ASSERT_GE(titleSet->titles.size(), static_cast<size_t>(want.titleInSet));
        const Title& title = titleSet->titles[static_cast<size_t>(want.titleInSet - 1)];
        EXPECT_EQ(title.wholeSeconds(), static_cast<int>(want.seconds));
        ASSERT_EQ(title.cells.size(), want.cellSeconds.size());
        for (size_t i = 0; i < title.cells.size(); ++i)
            EXPECT_EQ(title.cells[i].wholeSeconds(), static_cast<int>(want.cellSeconds[i]));
        // Each chapter starts at the cell lsdvd names and runs up to the next
        // one's; together they cover the title.
        ASSERT_EQ(title.chapters.size(), want.chapterStartCells.size());
        for (size_t i = 0; i < title.chapters.size(); ++i) {
            EXPECT_EQ(title.chapters[i].firstCell + 1, want.chapterStartCells[i]);
            const int end = i + 1 < title.chapters.size() ? want.chapterStartCells[i + 1] - 1
                                                          : static_cast<int>(title.cells.size());
            EXPECT_EQ(title.chapters[i].lastCell + 1, end);
        }
        EXPECT_EQ(ids(*titleSet, true), numbers(want.audioIds));
        // lsdvd lists the subtitles a title switches on; the title set's
        // list is its first title's.
        if (want.titleInSet == 1) {
            EXPECT_EQ(ids(*titleSet, false), numbers(want.subtitleIds));
        }
        EXPECT_EQ(titleSet->video.width, want.width);
        EXPECT_EQ(titleSet->video.height, want.height);
        EXPECT_EQ(titleSet->video.aspect,
                  want.aspect == "16/9" ? DisplayAspect::SixteenNine : DisplayAspect::FourThree);
    }
}

} // namespace

TEST(DescribedTitleSets, ReadsWhatLsdvdReadsFromAFolderAndFromAnImage)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    expectSameAsLsdvd(d.disc, d.videoTs());
    expectSameAsLsdvd(d.iso, d.iso + "/VIDEO_TS");
}

TEST(DescribedTitleSets, DescribesTracksAndPictureInTheFormTheListsShow)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TitleSetsNow library(discReader());
    const std::shared_ptr<const TitleSet> first = library.read(d.ifo(1));
    ASSERT_TRUE(first);
    ASSERT_EQ(first->audio.size(), 2u);
    EXPECT_EQ(audioText(first->audio[0]), "English AC3 2ch (0x80)");
    EXPECT_EQ(audioText(first->audio[1]), "German AC3 2ch (0x81)");
    EXPECT_EQ(first->audio[1].streamId, 0x81);
    EXPECT_EQ(first->audio[1].language, "de");
    EXPECT_EQ(first->audio[1].coding, AudioCoding::Ac3);
    EXPECT_EQ(first->audio[1].channels, 2);
    ASSERT_EQ(first->subtitles.size(), 1u);
    EXPECT_EQ(subtitleText(first->subtitles[0]), "English (0x20)");
    EXPECT_EQ(videoText(first->video), "MPEG-2 720x576 PAL 4:3");
    EXPECT_EQ(first->video.standard, VideoStandard::Pal);

    const std::shared_ptr<const TitleSet> wide = library.read(d.ifo(2));
    ASSERT_TRUE(wide);
    ASSERT_EQ(wide->audio.size(), 1u);
    EXPECT_EQ(audioText(wide->audio[0]), "French AC3 2ch (0x80)");
    EXPECT_TRUE(wide->subtitles.empty());
    EXPECT_EQ(videoText(wide->video), "MPEG-2 720x576 PAL 16:9");

    TitleSetsNow other(discReader());
    const std::shared_ptr<const TitleSet> mute = other.read(d.mute + "/VIDEO_TS/VTS_01_0.IFO");
    ASSERT_TRUE(mute);
    EXPECT_TRUE(mute->audio.empty());
    EXPECT_EQ(mute->titles.size(), 1u);

    // Languages the table lacks show their code; none shows "Unknown".
    EXPECT_EQ(languageText("xq"), "xq");
    EXPECT_EQ(audioText({0xA1, "", AudioCoding::Lpcm, 6}), "Unknown LPCM 6ch (0xa1)");
    EXPECT_EQ(
        videoText({VideoCoding::Mpeg1, 352, 240, VideoStandard::Ntsc, DisplayAspect::FourThree}),
        "MPEG-1 352x240 NTSC 4:3");
}

// Lengths come to the frame, PAL and NTSC alike, through register.dat's
// pipe; a damaged title set between two sound ones costs only itself.
TEST(DescribedTitleSets, LengthsCarryTheirFrames)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TitleSetsNow library(discReader());
    const std::string videoTs = d.odd + "/VIDEO_TS";
    const std::shared_ptr<const TitleSet> pal = library.read(videoTs + "/VTS_01_0.IFO");
    ASSERT_TRUE(pal);
    const Title& title = pal->titles.at(0);
    EXPECT_EQ(title.wholeSeconds(), oddTitleMilliseconds / 1000);
    EXPECT_EQ(title.milliseconds, oddTitleMilliseconds);
    ASSERT_EQ(title.cells.size(), 2u);
    EXPECT_EQ(title.cells[0].milliseconds, oddChapterMilliseconds[0]);
    EXPECT_EQ(title.cells[1].milliseconds, oddChapterMilliseconds[1]);
    EXPECT_FALSE(library.read(videoTs + "/VTS_02_0.IFO"));
    const std::shared_ptr<const TitleSet> ntsc = library.read(videoTs + "/VTS_03_0.IFO");
    ASSERT_TRUE(ntsc);
    EXPECT_EQ(ntsc->titles.at(0).milliseconds, oddNtscMilliseconds);
    EXPECT_EQ(ntsc->video.standard, VideoStandard::Ntsc);
    EXPECT_EQ(ntsc->video.height, 480);
    // A frame byte of no known rate adds nothing.
    EXPECT_EQ(playingMilliseconds(3, 0x16), 3000);
}

// A chapter is a program of the title: the cells from its first up to the
// next chapter's first, as lsdvd reads the same program map.
TEST(DescribedTitleSets, ChaptersSpanTheCellsOfTheirProgram)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    const std::vector<LsdvdTitle> listed = lsdvdTitles(d.programs);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].chapterStartCells, (std::vector<int>{1, 3}));
    const std::shared_ptr<const TitleSet> titleSet =
        readTitleSet(d.programs + "/VIDEO_TS/VTS_01_0.IFO");
    ASSERT_TRUE(titleSet);
    ASSERT_EQ(titleSet->titles.size(), 1u);
    const Title& title = titleSet->titles[0];
    ASSERT_EQ(title.cells.size(), 3u);
    EXPECT_TRUE(title.chapters == (std::vector<transcast::dvd::Chapter>{{0, 1}, {2, 2}}));
}

TEST(DescribedTitleSets, CellsCoverTheTitleSetInOrderWithInclusiveEnds)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    const std::shared_ptr<const TitleSet> chapters = readTitleSet(d.ifo(1));
    ASSERT_TRUE(chapters);
    ASSERT_EQ(chapters->titles.size(), 2u);
    const Title& first = chapters->titles[0];
    EXPECT_EQ(first.wholeSeconds(), firstTitleSeconds);
    ASSERT_EQ(first.cells.size(), 3u);
    EXPECT_EQ(first.cells[0].firstSector, 0);
    for (size_t i = 0; i < first.cells.size(); ++i) {
        EXPECT_EQ(first.cells[i].wholeSeconds(), firstTitleChapters[i].seconds);
        EXPECT_GE(first.cells[i].lastSector - first.cells[i].firstSector, 1000) << "cell " << i;
        if (i > 0)
            EXPECT_EQ(first.cells[i].firstSector, first.cells[i - 1].lastSector + 1);
    }
    const Title& shortTitle = chapters->titles[1];
    ASSERT_EQ(shortTitle.cells.size(), 1u);
    EXPECT_EQ(shortTitle.wholeSeconds(), shortTitleSeconds);
    EXPECT_LT(shortTitle.cells[0].lastSector - shortTitle.cells[0].firstSector, 1000);

    // The second of two titles in one title set starts where the first ends:
    // its own start position, never 0.
    const std::shared_ptr<const TitleSet> twoTitles = readTitleSet(d.ifo(3));
    ASSERT_TRUE(twoTitles);
    ASSERT_EQ(twoTitles->titles.size(), 2u);
    const Title& yellow = twoTitles->titles[0];
    const Title& magenta = twoTitles->titles[1];
    ASSERT_EQ(magenta.cells.size(), 1u);
    EXPECT_EQ(magenta.cells[0].firstSector, yellow.cells.back().lastSector + 1);
    EXPECT_EQ(magenta.wholeSeconds(), longTitleSeconds);
}

TEST(DescribedTitleSets, RefusesWhatIsNoTitleSet)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TitleSetsNow library(discReader());
    EXPECT_FALSE(library.read(d.videoTs() + "/VIDEO_TS.IFO"));
    EXPECT_FALSE(library.read(d.videoTs() + "/VTS_04_0.IFO"));
    EXPECT_FALSE(library.read(d.videoTs() + "/VTS_01_1.VOB"));
    EXPECT_FALSE(library.read(d.noIfo + "/VIDEO_TS/VTS_01_0.IFO"));
    EXPECT_FALSE(library.read(d.noIfo + "/readme.txt"));
    EXPECT_FALSE(library.read(d.iso + "/VIDEO_TS/VTS_09_0.IFO"));
    EXPECT_FALSE(library.read("/no/such/VIDEO_TS/VTS_01_0.IFO"));
    EXPECT_FALSE(library.read(""));
    // Other path spellings of a real IFO still read.
    EXPECT_TRUE(library.read(d.disc + "/VIDEO_TS/../VIDEO_TS/VTS_01_0.IFO"));
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

// The two readings agree about everything.
void expectSameTitleSet(const std::shared_ptr<const TitleSet>& titleSet,
                        const std::shared_ptr<const TitleSet>& other)
{
    ASSERT_TRUE(titleSet);
    ASSERT_TRUE(other);
    EXPECT_EQ(videoText(titleSet->video), videoText(other->video));
    EXPECT_EQ(ids(*titleSet, true), ids(*other, true));
    EXPECT_EQ(ids(*titleSet, false), ids(*other, false));
    ASSERT_EQ(titleSet->titles.size(), other->titles.size());
    for (size_t t = 0; t < titleSet->titles.size(); ++t)
        expectSameTitle(titleSet->titles[t], other->titles[t]);
}

// A broken IFO may give odd figures but never a chapter outside its title's
// cells.
void expectChaptersInside(const TitleSet& titleSet)
{
    for (const Title& title : titleSet.titles)
        for (const transcast::dvd::Chapter& chapter : title.chapters) {
            EXPECT_LE(chapter.firstCell, chapter.lastCell);
            EXPECT_LT(chapter.lastCell, static_cast<int>(title.cells.size()));
        }
}

} // namespace

TEST(DescribedTitleSets, TruncatedOrCorruptIfoFilesGiveZeroOrSaneFiguresNeverACrash)
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
        TitleSetsNow library(discReader());
        const std::shared_ptr<const TitleSet> titleSet = library.read(path);
        if (titleSet)
            expectChaptersInside(*titleSet);
        EXPECT_TRUE(!titleSet || length > 2048) << "cut at " << length;
    }

    // Bytes changed at random: whatever opens still reads within bounds.
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        std::vector<char> broken = ifo;
        const int changes = 1 + round % 16;
        for (int i = 0; i < changes; ++i)
            broken[random() % broken.size()] = static_cast<char>(random());
        writeAll(path, broken);
        TitleSetsNow library(discReader());
        if (const std::shared_ptr<const TitleSet> titleSet = library.read(path))
            expectChaptersInside(*titleSet);
    }
}

TEST(DescribedTitleSets, ATitleCountBeyondTheTableGivesZeroInsteadOfCrashing)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TempFolder folder;
    writeAll(folder.path() + "/VTS_01_0.IFO", withTitleCountBeyondTheTable(d.ifo(1)));
    TitleSetsNow library(discReader());
    EXPECT_FALSE(library.read(folder.path() + "/VTS_01_0.IFO"));
    // The library stays usable.
    EXPECT_TRUE(library.read(d.ifo(1)));
}

// One register.dat reads a disc's title sets from the one asked for
// onwards. A title set that crashes it costs only itself: those before it
// were handed over whole, and the ones after it are read by a new one.
TEST(DescribedTitleSets, ATitleSetThatCrashesTheReadingCostsOnlyItself)
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

    TitleSetsNow library(discReader());
    const std::shared_ptr<const TitleSet> one = library.read(first);
    ASSERT_TRUE(one);
    EXPECT_FALSE(library.read(damaged));
    const std::shared_ptr<const TitleSet> three = library.read(third);
    ASSERT_TRUE(three);

    TitleSetsNow alone(discReader());
    expectSameTitleSet(one, alone.read(d.ifo(1)));
    expectSameTitleSet(three, alone.read(d.ifo(3)));
}

// A title set whose IFO file crashes the reading is read from its backup
// copy when that is sound, as libdvdread does for an IFO it cannot read; the
// folder is left as it was.
TEST(DescribedTitleSets, ATitleSetThatCrashesTheReadingIsReadFromItsBackupCopy)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TempFolder folder;
    const std::string damaged = folder.path() + "/vts_02_0.ifo";
    writeAll(folder.path() + "/vts_01_0.ifo", readAll(d.ifo(1)));
    writeAll(damaged, withTitleCountBeyondTheTable(d.ifo(2)));
    writeAll(folder.path() + "/vts_02_0.bup", readAll(d.videoTs() + "/VTS_02_0.BUP"));

    TitleSetsNow library(discReader());
    ASSERT_TRUE(library.read(folder.path() + "/vts_01_0.ifo"));
    const std::shared_ptr<const TitleSet> two = library.read(damaged);
    ASSERT_TRUE(two);
    TitleSetsNow alone(discReader());
    expectSameTitleSet(two, alone.read(d.ifo(2)));
    EXPECT_EQ(readAll(damaged), withTitleCountBeyondTheTable(d.ifo(2)));

    // A backup that crashes the reading too costs only its title set.
    writeAll(folder.path() + "/vts_02_0.bup", withTitleCountBeyondTheTable(d.ifo(2)));
    writeAll(damaged, withTitleCountBeyondTheTable(d.ifo(2)));
    writeAll(folder.path() + "/vts_03_0.ifo", readAll(d.ifo(3)));
    TitleSetsNow again(discReader());
    EXPECT_FALSE(again.read(damaged));
    EXPECT_TRUE(again.read(folder.path() + "/vts_03_0.ifo"));
}

// What was read is kept only while the file stays as it was: another disc
// mounted at the same place is read anew.
TEST(DescribedTitleSets, AnotherTitleSetAtTheSamePathIsReadAnew)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TempFolder folder;
    const std::string path = folder.path() + "/VTS_01_0.IFO";
    writeAll(path, readAll(d.ifo(1)));
    TitleSetsNow library(discReader());
    std::shared_ptr<const TitleSet> titleSet = library.read(path);
    ASSERT_TRUE(titleSet);
    EXPECT_EQ(videoText(titleSet->video), "MPEG-2 720x576 PAL 4:3");

    writeAll(folder.path() + "/other", readAll(d.ifo(2)));
    ASSERT_EQ(std::rename((folder.path() + "/other").c_str(), path.c_str()), 0);
    titleSet = library.read(path);
    ASSERT_TRUE(titleSet);
    EXPECT_EQ(videoText(titleSet->video), "MPEG-2 720x576 PAL 16:9");
}

TEST(DescribedTitleSets, AnUnreadableIfoIsReadFromItsBackupCopy)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TempFolder folder;
    writeAll(folder.path() + "/VTS_01_0.IFO", std::vector<char>(100, 'x'));
    writeAll(folder.path() + "/VTS_01_0.BUP", readAll(d.videoTs() + "/VTS_01_0.BUP"));
    TitleSetsNow library(discReader());
    const std::shared_ptr<const TitleSet> titleSet = library.read(folder.path() + "/VTS_01_0.IFO");
    ASSERT_TRUE(titleSet);
    EXPECT_EQ(titleSet->titles.size(), 2u);
    ASSERT_EQ(titleSet->audio.size(), 2u);
    EXPECT_EQ(audioText(titleSet->audio[1]), "German AC3 2ch (0x81)");
}

TEST(DescribedTitleSets, LibdvdreadPrintsNothing)
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
        TitleSetsNow library(discReader());
        library.read(d.ifo(1));
        library.read(d.iso + "/VIDEO_TS/VTS_02_0.IFO");
        library.read(d.noIfo + "/VTS_01_0.IFO");
        library.read(d.iso + "/VIDEO_TS/VTS_07_0.IFO");
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
TEST(DescribedTitleSets, ReadsTitleSetsInRegisterDatStartedAsAProgramNeverInAFork)
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

    TitleSetsNow library(reader);
    for (int set = 1; set <= 3; ++set)
        EXPECT_TRUE(library.read(d.ifo(set))) << set;
    const std::string inImage = d.iso + "/VIDEO_TS/VTS_02_0.IFO";
    EXPECT_TRUE(library.read(inImage));
    EXPECT_TRUE(library.read(d.ifo(1)));
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
TEST(DescribedTitleSets, AReaderThatFailsSaysWhyAndOneThatCrashesOrHangsCostsItsTitleSet)
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
    TitleSetsNow library(reader, std::chrono::milliseconds(300));
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.problem);
        std::remove(reader.c_str());
        if (!failure.body.empty())
            readerScript(reader, failure.body);
        EXPECT_FALSE(library.read(d.ifo(1)));
        EXPECT_EQ(library.readerProblem(), failure.problem);
    }
    // The real program, but not executable.
    writeAll(reader, readAll(discReader()));
    chmod(reader.c_str(), 0644);
    EXPECT_FALSE(library.read(d.ifo(1)));
    EXPECT_EQ(library.readerProblem(), "Cannot start the encoder " + reader + " to read the disc " +
                                           d.videoTs() + ": Permission denied");
    chmod(reader.c_str(), 0755);
    EXPECT_TRUE(library.read(d.ifo(1)));
    EXPECT_EQ(library.readerProblem(), "");

    const std::string pids = folder.path() + "/pids";
    // An error status after the description began is a crash too: that is
    // how a sanitized build reports one.
    for (const std::string& body :
         {std::string("kill -SEGV $$\n"), std::string("printf 'TCTS\\003\\0\\0\\0'\nexit 1\n"),
          "echo $$ >> '" + pids + "'\nexec sleep 60\n"}) {
        SCOPED_TRACE(body);
        readerScript(reader, body);
        TitleSetsNow crashing(reader, std::chrono::milliseconds(300));
        EXPECT_FALSE(crashing.read(d.ifo(1)));
        EXPECT_EQ(crashing.readerProblem(), "");
    }
    const std::vector<std::string> hung = linesOf(pids);
    EXPECT_EQ(hung.size(), 2u) << "the title set and then its backup copy";
    for (const std::string& pid : hung)
        EXPECT_NE(kill(std::stoi(pid), 0), 0) << "still running: " << pid;
}

namespace
{

// The DVD titles of a window, reading through the given register.dat.
struct Titles {
    transcast::Edition edition{QStringLiteral("transcast-dvd"), QStringLiteral(TRANSCAST_BIN_DIR)};
    transcast::BusyState busy;
    transcast::JobList jobs;
    ScriptedInteraction interaction;
    transcast::DvdTitles dvd{edition, busy, jobs, interaction};
    QVector<bool> changes;

    explicit Titles(const std::string& reader)
    {
        dvd.setTitleSetSource(
            std::make_unique<transcast::EncoderTitleSets>(QString::fromStdString(reader)));
        QObject::connect(&dvd, &transcast::DvdTitles::readingChanged,
                         [this](bool reading) { changes << reading; });
    }
};

// Runs the event loop until `done` holds, at most 20 s.
template <typename Done> bool runUntil(Done done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

} // namespace

// The window goes on while a slow reader reads the disc: its timers fire,
// and a second reading asked for meanwhile is refused without a word, the
// first one listing the disc as if nothing had been asked.
TEST(DiscReading, TheEventLoopGoesOnAndASecondReadingIsRefused)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TempFolder folder;
    Titles titles(readerScript(folder.path() + "/register.dat",
                               "sleep 1\nexec '" + discReader() + "' \"$@\"\n"));
    bool firedWhileReading = false;
    QTimer::singleShot(200, [&] {
        firedWhileReading = titles.dvd.isReading() && titles.jobs.rowCount() == 0;
        EXPECT_FALSE(titles.dvd.openDisc(QString::fromStdString(d.iso)));
        EXPECT_FALSE(titles.dvd.openIfoFiles({QString::fromStdString(d.ifo(2))}));
        titles.dvd.switchMode();
        EXPECT_TRUE(titles.dvd.isTitleMode());
    });
    EXPECT_TRUE(transcast::testing::readDisc(
        titles.dvd, [&] { return titles.dvd.openDisc(QString::fromStdString(d.disc)); }));
    EXPECT_TRUE(firedWhileReading);
    EXPECT_EQ(titles.jobs.rowCount(), 4);
    EXPECT_EQ(titles.changes, (QVector<bool>{true, false}));
    EXPECT_TRUE(titles.interaction.informations.isEmpty());
    EXPECT_TRUE(titles.interaction.warnings.isEmpty());
}

// Titles that go while their disc is read (the window closed) end the
// reader they started and say nothing more; so do titles that go while the
// drive spins up, whose wait ends unheard.
TEST(DiscReading, TitlesGoneMidReadingEndTheirReaderAndSayNothing)
{
    const TestDiscs& d = discs();
    ASSERT_TRUE(d.ok);
    TempFolder folder;
    const std::string pids = folder.path() + "/pids";
    const std::string reader =
        readerScript(folder.path() + "/register.dat", "echo $$ >> '" + pids + "'\nexec sleep 60\n");
    auto titles = std::make_unique<Titles>(reader);
    QVector<bool> changes;
    QObject::connect(&titles->dvd, &transcast::DvdTitles::readingChanged,
                     [&](bool reading) { changes << reading; });
    ASSERT_TRUE(titles->dvd.openDisc(QString::fromStdString(d.disc)));
    ASSERT_TRUE(runUntil([&] { return linesOf(pids).size() == 1; }));
    titles.reset();
    const std::vector<std::string> started = linesOf(pids);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_NE(kill(std::stoi(started.front()), 0), 0) << "still running: " << started.front();
    EXPECT_EQ(changes, QVector<bool>{true});

    struct SlowDrive : transcast::OpticalDrive {
        std::atomic<bool>* done;
        explicit SlowDrive(std::atomic<bool>* flag) : done(flag) {}
        bool isOpticalDrive(const QString&) const override { return true; }
        void waitUntilReady(const QString&) const override
        {
            QThread::msleep(300);
            *done = true;
        }
    };
    std::atomic<bool> waited{false};
    titles = std::make_unique<Titles>(reader);
    titles->dvd.setOpticalDrive(std::make_unique<SlowDrive>(&waited));
    ASSERT_TRUE(titles->dvd.openDisc(QString::fromStdString(d.disc)));
    titles.reset();
    EXPECT_TRUE(runUntil([&] { return waited.load(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(linesOf(pids).size(), 1u) << "no reader after the drive's wait";
}
