#include <memory>

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "common/inifile.h"
#include "e2e/encoder/clips.h"
#include "support/scriptedinteraction.h"
#include "ui/joblistmodel.h"
#include "ui/navigation/navigation.h"
#include "ui/navigation/picturelabel.h"
#include "ui/mainwindow.h"
#include "ui/settingsdialog.h"
#include "windowfixture.h"
#include "support/finishadd.h"

using namespace transcast;

namespace
{

class MainWindowTest : public WindowFixture
{
protected:
    QString clip(const QString& name)
    {
        const QString path = mediaDir.filePath(name);
        EXPECT_TRUE(testclips::makeClip(path,
                                        testclips::pictureSource(1) + testclips::toneSource(1),
                                        {"-c:v", "mpeg4", "-c:a", "libmp3lame", "-shortest"}));
        return path;
    }
};

} // namespace

TEST_F(MainWindowTest, FirstShowLeavesTheListAndTheBarHidden)
{
    open();
    EXPECT_FALSE(window->jobList()->isVisible());
    EXPECT_FALSE(window->progressBar()->isVisible());
    EXPECT_FALSE(window->navigation().isShown(QStringLiteral("pl_main")));
    for (const char* flyOut : {"pl_avi", "pl_mpeg", "pl_mp4", "pl_mkv"})
        EXPECT_FALSE(window->navigation().isShown(QString::fromLatin1(flyOut)));
    for (int n = 1; n <= 132; ++n)
        EXPECT_TRUE(window->navigation()
                        .button(n)
                        ->property("picturePath")
                        .toString()
                        .contains(QStringLiteral("/general/")))
            << n;
    // The settings are loaded: the first profile shows its name.
    EXPECT_EQ(window->skin().text(QStringLiteral("profilestext")),
              QStringLiteral("ASF-Advanced Streaming Format(*.asf)"));
    // The box shows the text a batch would use (the fixture's folder for the
    // outputs); the folder loaded is the default, none being recorded yet.
    EXPECT_EQ(window->outputFolderEdit()->text(),
              window->controller().preferences().outputFolderText());
    EXPECT_EQ(window->controller().preferences().outputFolder(),
              SettingsStore::defaultOutputFolder());
}

TEST_F(MainWindowTest, DispatchMatchesExactNamesOnly)
{
    open();
    window->dispatch(QStringLiteral("OpenFiles"));
    window->dispatch(QStringLiteral("nothing"));
    EXPECT_TRUE(interaction.fileFilters.isEmpty());
    window->dispatch(QStringLiteral("openfiles"));
    EXPECT_EQ(interaction.fileFilters.size(), 1);
    window->dispatch(QStringLiteral("openfolder"));
    EXPECT_EQ(interaction.folderCaptions, QStringList({"File Directory"}));
}

TEST_F(MainWindowTest, BusyGuardsAndTheCloseQueryKeepTheirTexts)
{
    open();
    window->controller().busy().setPlaying(true);
    for (const char* name : {"converter", "remove", "clear", "cutter"})
        window->dispatch(QString::fromLatin1(name));
    EXPECT_EQ(interaction.warnings, QStringList(4, QStringLiteral("Please first stop play!")));
    EXPECT_FALSE(window->closeQuery());
    EXPECT_EQ(interaction.informations, QStringList({"Please first stop play!"}));
    window->controller().busy().setPlaying(false);
    window->controller().busy().setConverting(true);
    interaction.warnings.clear();
    // (The preview's guard needs a selected row: the preview suite.)
    for (const char* name : {"openfiles", "openfolder", "profiles"})
        window->dispatch(QString::fromLatin1(name));
    EXPECT_EQ(interaction.warnings, QStringList(3, QStringLiteral("Please first stop convert!")));
    EXPECT_FALSE(window->close());
    EXPECT_EQ(interaction.informations.last(), QStringLiteral("Please first stop converting!"));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, BrowseCancelledChangesNothing)
{
    open();
    const QString before = window->controller().preferences().outputFolder();
    const QString shown = window->outputFolderEdit()->text();
    window->dispatch(QStringLiteral("browse"));
    EXPECT_EQ(interaction.folderCaptions, QStringList({"Output Directory"}));
    EXPECT_EQ(window->controller().preferences().outputFolder(), before);
    EXPECT_EQ(window->outputFolderEdit()->text(), shown);
    interaction.folderChoices.push_back(mediaDir.path());
    window->dispatch(QStringLiteral("browse"));
    EXPECT_EQ(window->controller().preferences().outputFolder(), mediaDir.path());
    EXPECT_EQ(window->outputFolderEdit()->text(), mediaDir.path());
    window->dispatch(QStringLiteral("open"));
    EXPECT_EQ(shell.openedFolders, QStringList({mediaDir.path()}));
}

TEST_F(MainWindowTest, CutterOnlyGuards)
{
    open();
    window->dispatch(QStringLiteral("cutter"));
    EXPECT_TRUE(interaction.warnings.isEmpty());
    window->controller().dvd().setTitleMode(false);
    window->dispatch(QStringLiteral("cutter"));
    window->controller().busy().setConverting(true);
    window->dispatch(QStringLiteral("cutter"));
    EXPECT_EQ(interaction.warnings,
              QStringList({"Please change title mode!", "Please first stop convert!"}));
}

TEST_F(MainWindowTest, MenusPopUpWhereTheLayoutPutsThem)
{
    for (const char* name : {"transcast", "kavri"}) {
        open(QString::fromLatin1(name));
        const QPoint origin = window->frameGeometry().topLeft();
        const bool branded = QString::fromLatin1(name) == QLatin1String("kavri");
        window->dispatch(QStringLiteral("file"));
        EXPECT_EQ(window->fileMenu()->pos(), origin + (branded ? QPoint(85, 64) : QPoint(76, 54)));
        window->fileMenu()->close();
        window->dispatch(QStringLiteral("help"));
        EXPECT_EQ(window->helpMenu()->pos(),
                  origin + (branded ? QPoint(366, 64) : QPoint(362, 54)));
        window->helpMenu()->close();
        window->dispatch(QStringLiteral("dvdfile"));
        EXPECT_EQ(window->dvdMenu()->pos(), origin + (branded ? QPoint(85, 64) : QPoint(76, 54)));
        window->dvdMenu()->close();
        window->close();
    }
    QStringList texts;
    for (QAction* action : window->fileMenu()->actions())
        texts << (action->isSeparator() ? QStringLiteral("-")
                                        : action->text().remove(QLatin1Char('&')));
    EXPECT_EQ(texts, QStringList({"Add Files", "Add Folder", "-", "Remove", "Clear", "-", "Convert",
                                  "Stop", "-", "Exit"}));
}

TEST_F(MainWindowTest, EachModeHasItsLayout)
{
    struct Case {
        const char* name;
        bool dvd;
    };
    for (const Case& c : {Case{"transcast", false}, Case{"transcast-dvd", true},
                          Case{"kavri", false}, Case{"kavri-dvd", true}}) {
        open(QString::fromLatin1(c.name));
        const int channel = window->directionBox()->y();
        const int size = window->sizeBox()->y();
        const int audio = window->audioQualityBox()->y();
        if (c.dvd) {
            EXPECT_GT(channel, audio) << c.name;
        } else {
            EXPECT_LT(channel, size) << c.name;
        }
        EXPECT_LT(size, window->videoQualityBox()->y());
        EXPECT_EQ(window->audioTrackBox()->isVisibleTo(window.get()), c.dvd) << c.name;
        EXPECT_EQ(window->subtitleTrackBox()->isVisibleTo(window.get()), c.dvd) << c.name;
        EXPECT_EQ(window->jobListModel()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
                  c.dvd ? QStringLiteral("Title") : QStringLiteral("File Name"));
        window->close();
    }
}

TEST_F(MainWindowTest, HintsFollowThePointer)
{
    open(QStringLiteral("Sample.exe"));
    emit window->skin().moved(QStringLiteral("video_size"));
    EXPECT_EQ(
        hint(),
        QStringLiteral(
            "Click the video size combobox to change the width and height of the video output."));
    emit window->skin().moved(QString());
    EXPECT_EQ(hint(), QStringLiteral("Welcome to use Sample."));
    emit window->skin().moved(QStringLiteral("profiles"));
    EXPECT_EQ(hint(), QStringLiteral("Click the Profile combobox to change the output format."));
    // The real skin reports moves over its objects.
    QWidget* converter = window->skin().object(QStringLiteral("converter"));
    ASSERT_NE(converter, nullptr);
    QTest::mouseMove(converter, converter->rect().center());
    EXPECT_EQ(hint(),
              QStringLiteral("Click the button, you can convert to the video format you need."));
}

TEST_F(MainWindowTest, SettingsDialogEditsTheFinishAction)
{
    open();
    QTimer::singleShot(50, [this] {
        window->settingsDialog()->selectPosition(1);
        window->settingsDialog()->accept();
    });
    window->dispatch(QStringLiteral("settings"));
    EXPECT_EQ(window->controller().preferences().finishAction(), 1);
}

TEST_F(MainWindowTest, AddPickConvertFinish)
{
    open();
    interaction.fileChoices.push_back(
        {clip(QStringLiteral("one.avi")), clip(QStringLiteral("two.avi"))});
    window->dispatch(QStringLiteral("openfiles"));
    transcast::testing::finishAdd(window->controller().sources());
    ASSERT_EQ(window->controller().jobs().rowCount(), 2);
    EXPECT_TRUE(window->jobList()->isVisible());
    EXPECT_EQ(window->jobList()->model()->data(window->jobList()->model()->index(1, 0)).toString(),
              QStringLiteral("two"));

    // Pick "MP4 - H.264 Video Mini" in the picker: hover, then click.
    window->dispatch(QStringLiteral("profiles"));
    Navigation& picker = window->navigation();
    ASSERT_TRUE(picker.isShown(QStringLiteral("pl_video1")));
    PictureLabel* opener = picker.button(4);
    QTest::mouseMove(opener, opener->rect().center());
    ASSERT_TRUE(picker.isShown(QStringLiteral("pl_mp4")));
    PictureLabel* button = picker.button(121);
    QTest::mouseMove(button, button->rect().center());
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    EXPECT_EQ(window->controller().profile().selectedProfile(), 121);
    EXPECT_FALSE(picker.isShown(QStringLiteral("pl_main")));
    EXPECT_EQ(window->skin().text(QStringLiteral("profilestext")),
              QStringLiteral("MP4 - H.264 Video Mini(*.mp4)"));

    window->dispatch(QStringLiteral("converter"));
    EXPECT_TRUE(window->progressBar()->isVisible());
    ASSERT_TRUE(waitFor([this] { return !window->controller().busy().isConverting(); }));
    const QAbstractItemModel* model = window->jobList()->model();
    EXPECT_EQ(model->data(model->index(0, 4)).toString(), QStringLiteral("Finish"));
    EXPECT_EQ(model->data(model->index(1, 4)).toString(), QStringLiteral("Finish"));
    EXPECT_TRUE(QFileInfo::exists(mediaDir.filePath(QStringLiteral("out/one.mp4"))));
    EXPECT_FALSE(window->progressBar()->isVisible());
}

TEST_F(MainWindowTest, DroppedFilesAreListedLikeChosenOnes)
{
    open();
    const QString path = clip(QStringLiteral("dropped.avi"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    transcast::testing::finishAdd(window->controller().sources());
    ASSERT_EQ(window->controller().jobs().rowCount(), 1);
    EXPECT_EQ(window->controller().jobs().caption(0), QStringLiteral("dropped"));
    // The same guard as the buttons.
    window->controller().busy().setConverting(true);
    QDragEnterEvent enterAgain(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton,
                               Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enterAgain);
    QDropEvent again(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &again);
    EXPECT_EQ(window->controller().jobs().rowCount(), 1);
    EXPECT_EQ(interaction.warnings, QStringList({"Please first stop convert!"}));
}

// Hovering a profile button highlights it and nothing more: the job, the
// estimate and the profile saved at close follow the button clicked.
TEST_F(MainWindowTest, HoveringAProfileButtonChangesNoRule)
{
    open();
    interaction.fileChoices.push_back({clip(QStringLiteral("one.avi"))});
    window->dispatch(QStringLiteral("openfiles"));
    transcast::testing::finishAdd(window->controller().sources());
    ASSERT_EQ(window->controller().jobs().rowCount(), 1);
    Navigation& picker = window->navigation();
    picker.openNavigation(10);
    PictureLabel* mov = picker.button(10);
    ASSERT_TRUE(mov->isVisible());
    QTest::mouseMove(mov, mov->rect().center());
    QTest::mouseClick(mov, Qt::LeftButton, {}, mov->rect().center());
    ASSERT_EQ(window->controller().profile().selectedProfile(), 10);
    const QString movLine = window->controller().jobBuilder().fileJob(0, false).commandLine();

    picker.openNavigation(10);
    PictureLabel* flv = picker.button(11);
    ASSERT_TRUE(flv->isVisible());
    QTest::mouseMove(flv, flv->rect().center());
    ASSERT_EQ(window->controller().profile().picker().selectSubIndex,
              11); // the highlight follows the pointer
    picker.setNavigationVisible(false);

    EXPECT_EQ(window->controller().jobBuilder().profileNumber(), 10);
    EXPECT_EQ(window->controller().jobBuilder().fileJob(0, false).commandLine(), movLine);
    ASSERT_TRUE(window->closeQuery());
    const IniFile settings(QDir(configDir.path()).filePath(QStringLiteral("transcast.ini")));
    EXPECT_EQ(settings.readInteger(QStringLiteral("profiles"), QStringLiteral("selcetsubindex"), 0),
              10);
}
