#include "unit/profiles/profile_fixture.h"

#include <atomic>

#include <QFile>
#include <QThread>

#include "sources/dvdtitles.h"
#include "sources/opticaldrive.h"
#include "sources/titlelocator.h"
#include "support/discreading.h"
#include "unit/sources/faketitlesets.h"

using namespace transcast;

namespace
{

const std::string kSet1 = "/disc/VIDEO_TS/VTS_01_0.IFO";
const std::string kSet2 = "/disc/VIDEO_TS/VTS_02_0.IFO";

class DvdRows : public ProfileFixture
{
protected:
    FakeTitleSets* library = nullptr;

    void SetUp() override
    {
        ProfileFixture::SetUp();
        start(QStringLiteral("transcast-dvd"));
        select(27);
        auto fake = std::make_unique<FakeTitleSets>();
        library = fake.get();
        dvd().setTitleSetSource(std::move(fake));
    }

    DvdTitles& dvd() { return controller->dvd(); }
    JobList& jobs() { return controller->jobs(); }
    DvdRowInfo info(int row) { return jobs().convertInfo(row); }

    static FakeTitleSets::TitleSet twoTracks()
    {
        FakeTitleSets::TitleSet set;
        set.audio = {{0x80, "en", dvd::AudioCoding::Ac3, 2},
                     {0x81, "de", dvd::AudioCoding::Ac3, 2}};
        set.subtitles = {{0x20, "en"}};
        return set;
    }
    // A title of `cells` cells of `seconds` each, 2000 sectors apart.
    static FakeTitleSets::Title title(int cells, int seconds, int firstSector = 0)
    {
        FakeTitleSets::Title t;
        t.seconds = cells * seconds % 60;
        t.minutes = cells * seconds / 60 % 60;
        t.hours = cells * seconds / 3600;
        for (int i = 0; i < cells; ++i)
            t.cells.emplace_back(firstSector + i * 2000, firstSector + i * 2000 + 1999, seconds);
        return t;
    }

    bool openIfo(const std::vector<std::string>& paths)
    {
        QStringList list;
        for (const std::string& path : paths)
            list << QString::fromStdString(path);
        return transcast::testing::readDisc(dvd(), [&] { return dvd().openIfoFiles(list); });
    }
    // A user's DVD action, and the reading it started through to its end.
    void readThrough(void (DvdTitles::*action)())
    {
        transcast::testing::readDisc(dvd(), [&] {
            (dvd().*action)();
            return dvd().isReading();
        });
    }

    QStringList captions()
    {
        QStringList list;
        for (int i = 0; i < jobs().rowCount(); ++i)
            list << jobs().caption(i);
        return list;
    }
    QVector<bool> ticks()
    {
        QVector<bool> list;
        for (int i = 0; i < jobs().rowCount(); ++i)
            list << jobs().row(i).checked;
        return list;
    }
    void click(int row)
    {
        jobs().clearSelection();
        jobs().setSelected(row, true);
        dvd().rowClicked();
    }
};

} // namespace

TEST_F(DvdRows, OnlyTitlesThatPlayAndSpanAThousandSectorsBecomeRows)
{
    FakeTitleSets::TitleSet set = twoTracks();
    FakeTitleSets::Title empty;
    empty.cells = {{0, 5000, 0}};
    FakeTitleSets::Title twoHours;
    twoHours.hours = 2;
    twoHours.cells = {{6000, 50000, 3600}, {50001, 90000, 3600}};
    FakeTitleSets::Title shortSpan;
    shortSpan.seconds = 20;
    shortSpan.cells = {{90001, 90900, 20}};
    set.titles = {empty, twoHours, shortSpan};
    library->sets[kSet1] = set;

    ASSERT_TRUE(openIfo({kSet1}));
    ASSERT_EQ(captions(), QStringList{QStringLiteral("Title_01")});
    EXPECT_EQ(jobs().subItem(0, JobList::FrameSizeColumn), QStringLiteral("720x576"));
    EXPECT_EQ(jobs().subItem(0, JobList::TimeColumn), QStringLiteral("02:00:00"));
    EXPECT_FALSE(jobs().subItem(0, JobList::OutputSizeColumn).isEmpty());
    EXPECT_EQ(jobs().row(0).status, JobStatus::Listed);
    EXPECT_EQ(jobs().row(0).kind, JobKind::Title);
    EXPECT_EQ(jobs().sourceInfo(0).seconds(), 7200);
    EXPECT_EQ(jobs().sourceInfo(0).frameSize, (FrameSize{720, 576}));
    const DvdRowInfo row = info(0);
    EXPECT_EQ(row.audioId, 0x80);
    EXPECT_EQ(row.subtitleId, DvdRowInfo::kNoStream);
    EXPECT_EQ(row.startSector, 6000);
    EXPECT_EQ(row.endSector, 90000);
    EXPECT_EQ(row.lengthSeconds, 7200);
    EXPECT_EQ(row.startTime, 0);
    EXPECT_EQ(row.endTime, 7200);
    EXPECT_EQ(row.ifoPath, QString::fromStdString(kSet1));
    EXPECT_TRUE(jobs().row(0).checked);
    EXPECT_TRUE(jobs().isSelected(0));

    // The title's row holds each of its cells with its times.
    const std::vector<DvdRowInfo::TitleCell> cells = row.titleCells();
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[1].startSector, 50001);
    EXPECT_EQ(cells[1].startTime, 3600);
    EXPECT_EQ(cells[1].endTime, 7200);
}

// Titles without a program map list one row per cell, short cells included
// (rows once left out cells under 1000 sectors, which lost real chapters).
TEST_F(DvdRows, ChapterModeListsEachCellOfATitleWithoutChapters)
{
    FakeTitleSets::TitleSet set = twoTracks();
    FakeTitleSets::Title first;
    first.seconds = 22;
    first.cells = {{0, 2000, 10}, {2001, 2500, 5}, {2501, 5000, 7}};
    set.titles = {first, title(2, 30, 10000)};
    library->sets[kSet1] = set;
    controller->dvd().setTitleMode(false);

    ASSERT_TRUE(openIfo({kSet1}));
    EXPECT_EQ(captions(), (QStringList{"Title_01", "  Chapter_01", "  Chapter_02", "  Chapter_03",
                                       "Title_05", "  Chapter_01", "  Chapter_02"}));
    EXPECT_EQ(info(2).startSector, 2001);
    EXPECT_EQ(info(2).endSector, 2500);
    const DvdRowInfo third = info(3);
    EXPECT_EQ(third.startSector, 2501);
    EXPECT_EQ(third.endSector, 5000);
    EXPECT_EQ(third.startTime, 15);
    EXPECT_EQ(third.endTime, 22);
    EXPECT_EQ(third.lengthSeconds, 7);
    EXPECT_EQ(jobs().subItem(3, JobList::TimeColumn), QStringLiteral("00:00:07"));
    // Each row is its own title or chapter.
    EXPECT_EQ(jobs().row(4).kind, JobKind::Title);
    EXPECT_EQ(jobs().row(3).kind, JobKind::Chapter);
    EXPECT_EQ(info(3).titleCells().at(2).startTime, 15);
}

TEST_F(DvdRows, ARowsLocatorStartsAtItsOwnFirstSector)
{
    // Every chapter after the first and every title after the first of a
    // title set must be read from where it lies, not from the set's start.
    FakeTitleSets::TitleSet set = twoTracks();
    set.titles = {title(3, 10), title(1, 12, 6000)};
    library->sets[kSet1] = set;
    controller->dvd().setTitleMode(false);
    ASSERT_TRUE(openIfo({kSet1}));
    ASSERT_EQ(jobs().rowCount(), 6);

    EXPECT_EQ(titleLocator(info(2)), QStringLiteral("vts://01*2000*3999*0x80*0*//disc"));
    EXPECT_EQ(titleLocator(info(4)), QStringLiteral("vts://01*6000*7999*0x80*0*//disc"));
    const ConversionJob chapter = controller->jobBuilder().titleJob(2, false);
    EXPECT_EQ(chapter.input, titleLocator(info(2)));
    EXPECT_EQ(chapter.limitArg, QStringLiteral(" -t 00:00:10"));
    EXPECT_EQ(chapter.seconds, 10);
    EXPECT_TRUE(chapter.outputFile.endsWith(QStringLiteral("/Title_01_Chapter_02") +
                                            controller->profile().outputExtension()))
        << chapter.outputFile.toStdString();

    click(4);
    dvd().audioTracks().choose(1);
    dvd().subtitleTracks().choose(1);
    EXPECT_EQ(titleLocator(info(4)), QStringLiteral("vts://01*6000*7999*0x81*0x20*//disc"));
    const ConversionJob second = controller->jobBuilder().titleJob(4, false);
    EXPECT_TRUE(second.outputFile.endsWith(QStringLiteral("/Title_05") +
                                           controller->profile().outputExtension()));
    EXPECT_EQ(second.limitArg, QStringLiteral(" -t 00:00:12"));
}

TEST_F(DvdRows, TrackChoicesBelongToTheirRow)
{
    FakeTitleSets::TitleSet set = twoTracks();
    set.titles = {title(2, 10), title(2, 10, 4000)};
    library->sets[kSet1] = set;
    FakeTitleSets::TitleSet mute;
    mute.titles = {title(1, 30)};
    library->sets[kSet2] = mute;
    ASSERT_TRUE(openIfo({kSet1, kSet2}));
    ASSERT_EQ(captions(), (QStringList{"Title_01", "Title_02", "Title_03"}));

    click(1);
    EXPECT_EQ(dvd().audioTracks().items(),
              (QStringList{"English AC3 2ch (0x80)", "German AC3 2ch (0x81)"}));
    EXPECT_EQ(dvd().subtitleTracks().items(), (QStringList{"No Subtitle", "English (0x20)"}));
    dvd().audioTracks().choose(1);
    dvd().subtitleTracks().choose(1);
    EXPECT_EQ(info(1).audioId, 0x81);
    EXPECT_EQ(info(1).subtitleId, 0x20);
    dvd().subtitleTracks().choose(0);
    EXPECT_EQ(info(1).subtitleId, DvdRowInfo::kNoStream);
    EXPECT_EQ(info(0).audioId, 0x80);

    // Back on row 0 the boxes show its own (default) choices, then row 1's.
    click(0);
    EXPECT_EQ(dvd().audioTracks().currentIndex(), 0);
    click(1);
    EXPECT_EQ(dvd().audioTracks().currentIndex(), 1);

    // A title set without audio: no id, an empty audio list.
    click(2);
    EXPECT_EQ(info(2).audioId, DvdRowInfo::kNoStream);
    EXPECT_EQ(dvd().audioTracks().count(), 0);
    EXPECT_EQ(dvd().subtitleTracks().items(), QStringList{QStringLiteral("No Subtitle")});
}

TEST_F(DvdRows, ChoicesReachPastFiveHundredRows)
{
    FakeTitleSets::TitleSet set = twoTracks();
    set.titles = {title(600, 2)};
    library->sets[kSet1] = set;
    controller->dvd().setTitleMode(false);
    ASSERT_TRUE(openIfo({kSet1}));
    ASSERT_EQ(jobs().rowCount(), 601);
    click(580);
    dvd().audioTracks().choose(1);
    EXPECT_EQ(info(580).audioId, 0x81);
    EXPECT_EQ(info(580).audioChoice, 1);
}

TEST_F(DvdRows, AnUnreadableIfoStopsAddIfoWithItsMessage)
{
    FakeTitleSets::TitleSet set = twoTracks();
    set.titles = {title(1, 30)};
    library->sets[kSet2] = set;
    interaction.fileChoices.push_back(
        {QString::fromStdString(kSet1), QString::fromStdString(kSet2)});
    readThrough(&DvdTitles::addIfo);
    EXPECT_EQ(interaction.fileFilters, QStringList{DvdTitles::ifoFilter()});
    EXPECT_EQ(interaction.informations, QStringList{DvdTitles::invalidIfoText()});
    EXPECT_EQ(library->opened, std::vector<std::string>{kSet1});
    EXPECT_EQ(jobs().rowCount(), 0);
}

TEST_F(DvdRows, ModeSwitchesKeepEachModesTicks)
{
    FakeTitleSets::TitleSet set = twoTracks();
    set.titles = {title(3, 10), title(2, 10, 6000)};
    library->sets[kSet1] = set;
    ASSERT_TRUE(openIfo({kSet1}));
    ASSERT_EQ(jobs().rowCount(), 2);
    jobs().setChecked(1, false);
    click(0);

    readThrough(&DvdTitles::switchMode);
    EXPECT_FALSE(controller->dvd().isTitleMode());
    ASSERT_EQ(captions(), (QStringList{"Title_01", "  Chapter_01", "  Chapter_02", "  Chapter_03",
                                       "Title_05", "  Chapter_01", "  Chapter_02"}));
    EXPECT_EQ(ticks(), QVector<bool>(7, true));
    // Unticked without a click on the list afterwards: still kept.
    jobs().setChecked(2, false);

    readThrough(&DvdTitles::switchMode);
    EXPECT_EQ(ticks(), (QVector<bool>{true, false}));
    readThrough(&DvdTitles::switchMode);
    EXPECT_EQ(ticks(), (QVector<bool>{true, true, false, true, true, true, true}));
    // The longest row is selected after each switch.
    EXPECT_EQ(jobs().firstSelected(), 0);

    dvd().unselectAll();
    EXPECT_EQ(ticks(), QVector<bool>(7, false));
    dvd().selectAll();
    EXPECT_EQ(ticks(), QVector<bool>(7, true));
    // The title mode's ticks are its own.
    readThrough(&DvdTitles::switchMode);
    EXPECT_EQ(ticks(), (QVector<bool>{true, false}));
}

TEST_F(DvdRows, TheLongestRowIsSelected)
{
    FakeTitleSets::TitleSet set = twoTracks();
    set.titles = {title(1, 10), title(3, 10, 10000), title(3, 10, 20000)};
    library->sets[kSet1] = set;
    ASSERT_TRUE(openIfo({kSet1}));
    EXPECT_EQ(jobs().selectedRows(), QVector<int>{1});
}

TEST_F(DvdRows, RemovingARowMovesItsDvdRecordWithIt)
{
    FakeTitleSets::TitleSet set = twoTracks();
    set.titles = {title(1, 10), title(1, 20, 10000), title(1, 30, 20000)};
    library->sets[kSet1] = set;
    ASSERT_TRUE(openIfo({kSet1}));
    click(2);
    dvd().audioTracks().choose(1);
    click(1);
    controller->sources().removeSelected();
    ASSERT_EQ(captions(), (QStringList{"Title_01", "Title_03"}));
    EXPECT_EQ(info(1).lengthSeconds, 30);
    EXPECT_EQ(info(1).audioId, 0x81);
    EXPECT_EQ(jobs().sourceInfo(1).durationText(), QStringLiteral("00:00:30"));
    click(1);
    EXPECT_EQ(dvd().audioTracks().currentIndex(), 1);
}

TEST_F(DvdRows, ReadingRefusesWhileBusyInItsOrder)
{
    controller->busy().setConverting(true);
    controller->busy().setPlaying(true);
    readThrough(&DvdTitles::addDvd);
    readThrough(&DvdTitles::addIfo);
    readThrough(&DvdTitles::switchMode);
    EXPECT_EQ(interaction.warnings,
              (QStringList{"Please first stop convert!", "Please first stop convert!",
                           "Please first stop play!"}));
    EXPECT_TRUE(interaction.folderCaptions.isEmpty());
    EXPECT_TRUE(interaction.fileFilters.isEmpty());
    EXPECT_TRUE(controller->dvd().isTitleMode());
}

namespace
{

// A disc folder of empty IFO files; the fake library gives them content.
class DvdFolders : public DvdRows
{
protected:
    QTemporaryDir root;

    std::string touch(const QString& relative)
    {
        const QString path = root.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return QFile::encodeName(path).toStdString();
    }
};

class SlowDrive : public OpticalDrive
{
public:
    QThread* mainThread = QThread::currentThread();
    mutable std::atomic<bool> waitedOffMainThread{false};
    mutable std::atomic<bool> done{false};
    bool isOpticalDrive(const QString&) const override { return true; }
    void waitUntilReady(const QString&) const override
    {
        waitedOffMainThread = QThread::currentThread() != mainThread;
        QThread::msleep(100);
        done = true;
    }
};

} // namespace

TEST_F(DvdFolders, AddDvdSearchesVideoTsFoldersInNameOrder)
{
    FakeTitleSets::TitleSet set = twoTracks();
    set.titles = {title(1, 10)};
    const std::string second = touch(QStringLiteral("disc/VIDEO_TS/VTS_02_0.IFO"));
    const std::string first = touch(QStringLiteral("disc/VIDEO_TS/VTS_01_0.IFO"));
    touch(QStringLiteral("disc/VIDEO_TS/VIDEO_TS.IFO"));
    const std::string elsewhere = touch(QStringLiteral("disc/extras/VTS_09_0.IFO"));
    library->sets[first] = set;
    set.titles = {title(1, 20)};
    library->sets[second] = set;
    library->sets[elsewhere] = set;

    auto drive = std::make_unique<SlowDrive>();
    SlowDrive* slow = drive.get();
    dvd().setOpticalDrive(std::move(drive));
    interaction.folderChoices.push_back(root.filePath(QStringLiteral("disc")));
    readThrough(&DvdTitles::addDvd);

    EXPECT_EQ(interaction.folderCaptions, QStringList{QStringLiteral("Select DVD Directory")});
    EXPECT_TRUE(slow->done);
    EXPECT_TRUE(slow->waitedOffMainThread);
    EXPECT_EQ(library->opened, (std::vector<std::string>{first, second}));
    ASSERT_EQ(captions(), (QStringList{"Title_01", "Title_02"}));
    EXPECT_EQ(info(1).lengthSeconds, 20);
    ASSERT_EQ(dvd().loadedIfos().size(), 2);
    EXPECT_EQ(dvd().rowsOf(dvd().loadedIfos()[1].ifoPath).first, 1);
    EXPECT_EQ(dvd().rowsOf(dvd().loadedIfos()[1].ifoPath).end, 2);
    EXPECT_TRUE(interaction.informations.isEmpty());
}

TEST_F(DvdFolders, AFolderWithoutIfoIsNoDisc)
{
    touch(QStringLiteral("empty/VIDEO_TS/readme.txt"));
    interaction.folderChoices.push_back(root.filePath(QStringLiteral("empty")));
    readThrough(&DvdTitles::addDvd);
    EXPECT_EQ(interaction.informations, QStringList{QStringLiteral("Can't find DVD disc.")});
    EXPECT_EQ(jobs().rowCount(), 0);

    // IFO files whose titles are all filtered out: an empty list, no message.
    const std::string ifo = touch(QStringLiteral("stills/VIDEO_TS/VTS_01_0.IFO"));
    FakeTitleSets::TitleSet set = twoTracks();
    FakeTitleSets::Title still;
    still.seconds = 5;
    still.cells = {{0, 10, 5}};
    set.titles = {still};
    library->sets[ifo] = set;
    EXPECT_TRUE(transcast::testing::readDisc(
        dvd(), [&] { return dvd().openDisc(root.filePath(QStringLiteral("stills"))); }));
    EXPECT_EQ(jobs().rowCount(), 0);
    EXPECT_EQ(interaction.informations.size(), 1);
}

TEST(OpticalDriveTest, MountTableNamesTheDriveOfAPath)
{
    const QString table = QStringLiteral("/dev/sda1 / ext4 rw 0 0\n"
                                         "/dev/sr0 /media/my\\040dvd udf ro 0 0\n"
                                         "/dev/sdb1 /media/usb vfat rw 0 0\n");
    const OpticalDrive::Mount dvd =
        OpticalDrive::mountOf(QStringLiteral("/media/my dvd/VIDEO_TS"), table);
    EXPECT_EQ(dvd.mountPoint, QStringLiteral("/media/my dvd"));
    EXPECT_TRUE(OpticalDrive::isOpticalMount(dvd));
    EXPECT_FALSE(OpticalDrive::isOpticalMount(
        OpticalDrive::mountOf(QStringLiteral("/media/usb/VIDEO_TS"), table)));
    EXPECT_FALSE(OpticalDrive::isOpticalMount(
        OpticalDrive::mountOf(QStringLiteral("/media/my dvdx/VIDEO_TS"), table)));
}
