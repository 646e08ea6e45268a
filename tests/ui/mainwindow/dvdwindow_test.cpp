// The DVD edition's window over discs authored with dvdauthor.
#include <memory>

#include <pthread.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "support/discreading.h"
#include "support/scriptedinteraction.h"
#include "support/testdiscs.h"
#include "ui/joblistmodel.h"
#include "ui/mainwindow.h"

using namespace transcast;

namespace
{

int forks = 0;

class DvdWindow : public ::testing::Test
{
protected:
    const testdiscs::TestDiscs& discs = testdiscs::testDiscs();
    QTemporaryDir configDir;
    ScriptedInteraction interaction;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;

    void SetUp() override
    {
        ASSERT_TRUE(discs.ok) << discs.error;
        window = std::make_unique<MainWindow>(
            Edition(QStringLiteral("transcast-dvd"), QStringLiteral(TRANSCAST_BIN_DIR)),
            &interaction, &shell);
        window->setSettingsFolder(configDir.path());
        window->show();
        ASSERT_TRUE(window->firstShowCompleted());
    }
    void TearDown() override
    {
        if (!window)
            return;
        window->controller().busy().setConverting(false);
        window->controller().busy().setPlaying(false);
        window->close();
    }

    static QString q(const std::string& text) { return QString::fromStdString(text); }
    QAbstractItemModel* model() { return window->jobList()->model(); }
    QStringList captions()
    {
        QStringList list;
        for (int row = 0; row < model()->rowCount(); ++row)
            list << model()->index(row, 0).data().toString();
        return list;
    }
    QVector<bool> ticks()
    {
        QVector<bool> list;
        for (int row = 0; row < model()->rowCount(); ++row)
            list << (model()->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked);
        return list;
    }
    QStringList items(QComboBox* box)
    {
        QStringList list;
        for (int i = 0; i < box->count(); ++i)
            list << box->itemText(i);
        return list;
    }
    void clickRow(int row)
    {
        QTableView* list = window->jobList();
        const QRect cell = list->visualRect(model()->index(row, 2));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Dispatches an action and waits for the disc reading it started.
    void dispatchAndRead(const QString& name)
    {
        const DvdTitles& dvd = window->controller().dvd();
        transcast::testing::readDisc(dvd, [&] {
            window->dispatch(name);
            return dvd.isReading();
        });
    }
    void openDisc(const std::string& path)
    {
        interaction.folderChoices.push_back(q(path));
        dispatchAndRead(QStringLiteral("dvdopen"));
    }
    void removeRow(int row)
    {
        clickRow(row);
        window->dispatch(QStringLiteral("remove"));
    }
    QString toolTip(int row) { return model()->index(row, 0).data(Qt::ToolTipRole).toString(); }
    const JobRow& record(int row) { return window->controller().jobs().row(row); }
    void triggerDvdMenu(const QString& text)
    {
        for (QAction* action : window->dvdMenu()->actions()) {
            if (QString(action->text()).remove(QLatin1Char('&')) == text)
                action->trigger();
        }
    }
};

} // namespace

TEST_F(DvdWindow, AddDvdListsTitlesWithTicksAndTracks)
{
    interaction.folderChoices.push_back(q(discs.disc));
    dispatchAndRead(QStringLiteral("dvdopen"));
    EXPECT_EQ(interaction.folderCaptions, QStringList{QStringLiteral("Select DVD Directory")});
    ASSERT_TRUE(window->jobList()->isVisible());
    EXPECT_TRUE(window->jobList()->isEnabled());
    EXPECT_EQ(model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Title"));
    EXPECT_EQ(captions(), (QStringList{"Title_01", "Title_02", "Title_03", "Title_04"}));
    EXPECT_EQ(ticks(), QVector<bool>(4, true));
    EXPECT_EQ(model()->index(0, 4).data().toString(), QStringLiteral("Ready"));

    QComboBox* audio = window->audioTrackBox();
    QComboBox* subtitle = window->subtitleTrackBox();
    EXPECT_TRUE(audio->isVisible());
    EXPECT_EQ(audio->count(), 2);
    EXPECT_EQ(items(subtitle).value(0), QStringLiteral("No Subtitle"));
    EXPECT_EQ(subtitle->count(), 2);

    // Title set 2 has one audio track and no subtitle.
    clickRow(1);
    EXPECT_EQ(audio->count(), 1);
    EXPECT_EQ(items(subtitle), QStringList{QStringLiteral("No Subtitle")});

    // A pick in the box is the selected row's.
    clickRow(0);
    emit audio->activated(1);
    EXPECT_EQ(window->controller().jobs().convertInfo(0).audioId, 0x81);
    clickRow(1);
    clickRow(0);
    EXPECT_EQ(audio->currentIndex(), 1);
}

TEST_F(DvdWindow, ChapterModeAndTheMenuKeepTheirTicks)
{
    interaction.folderChoices.push_back(q(discs.disc));
    dispatchAndRead(QStringLiteral("dvdopen"));
    triggerDvdMenu(QStringLiteral("Unselect ALL"));
    EXPECT_EQ(ticks(), QVector<bool>(4, false));
    model()->setData(model()->index(2, 0), Qt::Checked, Qt::CheckStateRole);
    clickRow(2);

    dispatchAndRead(QStringLiteral("chapter"));
    EXPECT_EQ(captions().mid(0, 5), (QStringList{"Title_01", "  Chapter_01", "  Chapter_02",
                                                 "  Chapter_03", "Title_05"}));
    EXPECT_EQ(ticks(), QVector<bool>(model()->rowCount(), true));
    window->dispatch(QStringLiteral("cutter"));
    EXPECT_EQ(interaction.warnings, QStringList{QStringLiteral("Please change title mode!")});

    dispatchAndRead(QStringLiteral("chapter"));
    EXPECT_EQ(ticks(), (QVector<bool>{false, false, true, false}));
    triggerDvdMenu(QStringLiteral("Select All"));
    EXPECT_EQ(ticks(), QVector<bool>(4, true));
}

TEST_F(DvdWindow, AddIfoAndDropsOpenDiscs)
{
    interaction.fileChoices.push_back({q(discs.ifo(3))});
    dispatchAndRead(QStringLiteral("ifoopen"));
    EXPECT_EQ(captions(), (QStringList{"Title_01", "Title_02"}));

    // A dropped (or named) image opens as a disc.
    transcast::testing::readDisc(window->controller().dvd(), [&] {
        window->openSources({q(discs.iso)});
        return window->controller().dvd().isReading();
    });
    EXPECT_EQ(captions(), (QStringList{"Title_01", "Title_02", "Title_03", "Title_04"}));
    // So does one chosen with Add IFO: Add DVD's folder dialog shows folders.
    interaction.fileChoices.push_back({q(discs.ifo(3))});
    dispatchAndRead(QStringLiteral("ifoopen"));
    interaction.fileChoices.push_back({q(discs.iso)});
    dispatchAndRead(QStringLiteral("ifoopen"));
    EXPECT_EQ(captions(), (QStringList{"Title_01", "Title_02", "Title_03", "Title_04"}));
    EXPECT_TRUE(interaction.fileFilters.last().contains(QStringLiteral("*.iso")));

    window->controller().busy().setConverting(true);
    window->controller().busy().setPlaying(true);
    dispatchAndRead(QStringLiteral("dvdopen"));
    dispatchAndRead(QStringLiteral("ifoopen"));
    dispatchAndRead(QStringLiteral("chapter"));
    window->dispatch(QStringLiteral("cutter"));
    EXPECT_EQ(interaction.warnings,
              (QStringList{"Please first stop convert!", "Please first stop convert!",
                           "Please first stop play!", "Please first stop play!"}));
}

// The odd disc's title set 2 cannot be read; title set 1 keeps its two audio
// tracks. After a removal the boxes offer the newly selected row's own
// tracks, never the removed one's.
TEST_F(DvdWindow, TrackBoxesFollowTheSelectedRowsOwnTitleSet)
{
    openDisc(discs.odd);
    ASSERT_EQ(captions(), (QStringList{"Title_01", "Title_02"}));
    QComboBox* audio = window->audioTrackBox();
    EXPECT_EQ(items(audio), (QStringList{"English AC3 2ch (0x80)", "German AC3 2ch (0x81)"}));

    removeRow(0);
    ASSERT_EQ(captions(), QStringList{QStringLiteral("Title_02")});
    EXPECT_EQ(items(audio), QStringList{QStringLiteral("French AC3 2ch (0x80)")});
    emit audio->activated(0);
    EXPECT_EQ(record(0).dvd.audioId, 0x80);
}

// Ticks and track choices belong to titles, not to row numbers: through a
// removal and two mode switches each title keeps its own, and chapters
// listed for the first time take their title's tracks.
TEST_F(DvdWindow, TicksAndTracksStayWithTheirTitleAcrossModeSwitches)
{
    openDisc(discs.disc);
    clickRow(0);
    emit window->audioTrackBox()->activated(1); // German
    model()->setData(model()->index(2, 0), Qt::Unchecked, Qt::CheckStateRole);
    removeRow(1);
    ASSERT_EQ(captions(), (QStringList{"Title_01", "Title_03", "Title_04"}));

    dispatchAndRead(QStringLiteral("chapter"));
    ASSERT_EQ(captions().mid(0, 4),
              (QStringList{"Title_01", "  Chapter_01", "  Chapter_02", "  Chapter_03"}));
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(record(row).dvd.audioId, 0x81) << row;
    dispatchAndRead(QStringLiteral("chapter"));
    ASSERT_EQ(captions(), (QStringList{"Title_01", "Title_02", "Title_03", "Title_04"}));
    // Title_02 was removed: listed again, it waits for a tick.
    EXPECT_EQ(ticks(), (QVector<bool>{true, false, false, true}));
    EXPECT_EQ(record(0).dvd.audioId, 0x81);
    clickRow(0);
    EXPECT_EQ(window->audioTrackBox()->currentIndex(), 1);
}

// Convert while a disc is still being read is refused (with "shut down" as
// the finish action it would end a batch of nothing by powering off). A
// failure's reason then stays with its row through a removal, and a new
// listing starts without any.
TEST_F(DvdWindow, ConvertWaitsForTheDiscAndReasonsStayWithTheirRow)
{
    // The odd disc with the NTSC title's VOB overwritten by zeros: that title
    // cannot convert. (A VOB that is not there at all lists its title as
    // missing, which is never ticked.)
    QTemporaryDir copy;
    const QString videoTs = copy.filePath(QStringLiteral("VIDEO_TS"));
    ASSERT_TRUE(QDir().mkpath(videoTs));
    const QDir from(q(discs.odd + "/VIDEO_TS"));
    for (const QString& name : from.entryList(QDir::Files)) {
        const QString to = videoTs + QLatin1Char('/') + name;
        if (name != QLatin1String("VTS_03_1.VOB")) {
            ASSERT_TRUE(QFile::link(from.filePath(name), to));
            continue;
        }
        QFile zeros(to);
        ASSERT_TRUE(zeros.open(QIODevice::WriteOnly));
        ASSERT_TRUE(zeros.resize(QFileInfo(from.filePath(name)).size()));
    }
    QTemporaryDir out;
    window->controller().preferences().setOutputFolderText(out.path());
    window->controller().preferences().setFinishAction(2);
    window->controller().profile().picker().selectSubIndex = 118;
    window->controller().profile().selectProfile(118);

    // Convert is pressed as soon as the first row shows.
    bool pressed = false;
    bool pressedWhileReading = false;
    const QMetaObject::Connection pressConvert =
        QObject::connect(&window->controller().jobs(), &JobList::rowAppended, window.get(), [&] {
            if (pressed)
                return;
            pressed = true;
            QTimer::singleShot(0, window.get(), [&] {
                pressedWhileReading = window->controller().dvd().isReading();
                window->dispatch(QStringLiteral("converter"));
            });
        });
    openDisc(copy.path().toStdString());
    QObject::disconnect(pressConvert);
    ASSERT_TRUE(pressedWhileReading);
    EXPECT_FALSE(window->controller().batch().isConverting());
    EXPECT_EQ(shell.shutdowns, 0);
    ASSERT_EQ(captions(), (QStringList{"Title_01", "Title_02"}));
    EXPECT_EQ(ticks(), (QVector<bool>{true, true}));

    window->dispatch(QStringLiteral("converter"));
    QElapsedTimer clock;
    clock.start();
    while (window->controller().batch().isConverting() && clock.elapsed() < 120000)
        QTest::qWait(50);
    ASSERT_FALSE(window->controller().batch().isConverting());
    EXPECT_EQ(record(0).status, JobStatus::Finished) << record(0).failureReason.toStdString();
    ASSERT_EQ(record(1).status, JobStatus::Failed);
    const QString reason = record(1).failureReason;
    ASSERT_FALSE(reason.isEmpty());
    EXPECT_EQ(toolTip(1), reason);
    EXPECT_NE(toolTip(0), reason);

    removeRow(0);
    EXPECT_EQ(toolTip(0), reason);
    EXPECT_EQ(model()->index(0, 4).data().toString(), QStringLiteral("Failed"));
    openDisc(copy.path().toStdString());
    ASSERT_EQ(captions(), (QStringList{"Title_01", "Title_02"}));
    // Listed again, the rows carry no reason: their tips name only the
    // title on the disc.
    EXPECT_TRUE(toolTip(0).startsWith(QStringLiteral("Disc title 1\n")));
    EXPECT_FALSE(toolTip(0).contains(reason));
    EXPECT_FALSE(toolTip(1).contains(reason));
}

// Captions count rows; the tip gives the disc's own title number. A title
// past the cut of an image shows why in its status and cannot be ticked.
TEST_F(DvdWindow, TipsNameTheDiscsTitleAndAMissingTitleCannotBeTicked)
{
    openDisc(discs.cutIso);
    interaction.warnings.clear();
    ASSERT_EQ(captions(), (QStringList{"Title_01", "Title_02", "Title_03", "Title_04"}));
    EXPECT_TRUE(toolTip(1).startsWith(QStringLiteral("Disc title 3\n")));
    EXPECT_TRUE(toolTip(3).startsWith(QStringLiteral("Disc title 5\nMissing from the image")));
    EXPECT_EQ(model()->index(3, 4).data().toString(), QStringLiteral("Missing from the image"));
    EXPECT_EQ(ticks(), (QVector<bool>{true, true, true, false}));
    EXPECT_FALSE(model()->flags(model()->index(3, 0)) & Qt::ItemIsUserCheckable);
    model()->setData(model()->index(3, 0), Qt::Checked, Qt::CheckStateRole);
    triggerDvdMenu(QStringLiteral("Select All"));
    EXPECT_EQ(ticks(), (QVector<bool>{true, true, true, false}));
}

// Space in the list ticks and unticks the selected row, as in any check
// list; it does not start the preview there.
TEST_F(DvdWindow, SpaceTicksTheSelectedRow)
{
    openDisc(discs.odd);
    clickRow(1);
    window->jobList()->setFocus();
    QTest::keyClick(window->jobList(), Qt::Key_Space);
    EXPECT_EQ(ticks(), (QVector<bool>{true, false}));
    QTest::qWait(100);
    EXPECT_FALSE(window->controller().busy().isPlaying());
    QTest::keyClick(window->jobList(), Qt::Key_Space);
    EXPECT_EQ(ticks(), (QVector<bool>{true, true}));
}

// The window's process runs Qt's and the preview's threads: a fork of it
// may call only async-signal-safe functions, so reading a disc never forks
// it (register.dat reads the title sets, started with exec).
TEST_F(DvdWindow, OpeningADiscNeverForksTheWindowsProcess)
{
    static const bool counting = pthread_atfork([] { ++forks; }, nullptr, nullptr) == 0;
    ASSERT_TRUE(counting);
    const int before = forks;
    openDisc(discs.disc);
    EXPECT_EQ(captions(), (QStringList{"Title_01", "Title_02", "Title_03", "Title_04"}));
    openDisc(discs.iso);
    EXPECT_EQ(captions(), (QStringList{"Title_01", "Title_02", "Title_03", "Title_04"}));
    EXPECT_EQ(forks, before);
    EXPECT_TRUE(interaction.warnings.isEmpty()) << interaction.warnings.join('\n').toStdString();
}

// The window closed while its disc is being read goes at once: the reading
// ends with it, its reader is ended, and nothing is said into the window
// gone.
TEST_F(DvdWindow, ClosingWhileADiscIsReadTakesTheReadingAlong)
{
    interaction.folderChoices.push_back(q(discs.disc));
    window->dispatch(QStringLiteral("dvdopen"));
    ASSERT_TRUE(window->controller().dvd().isReading());
    // Up to the first title set's request, whose reader then runs.
    QTest::qWait(0);
    EXPECT_TRUE(window->close());
    window.reset();
    QTest::qWait(200);
    EXPECT_TRUE(interaction.informations.isEmpty());
    EXPECT_TRUE(interaction.warnings.isEmpty()) << interaction.warnings.join('|').toStdString();
}
