#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include "common/preferences.h"
#include "support/scriptedinteraction.h"
#include "ui/helpcommands.h"
#include "ui/aboutbox.h"
#include "ui/outputfolderdialog.h"
#include "ui/settingsdialog.h"
#include "ui_modalscript.h"

using namespace transcast;

namespace
{

// ---- OutputFolderDialog ----

TEST(FolderDialog, OkReturnsTheSelectedFolderUnderTheCallersCaption)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = QDir(dir.path()).canonicalPath();
    OutputFolderDialog dialog;
    QString caption;
    whenModal<OutputFolderDialog>([&](OutputFolderDialog* shown) {
        caption = shown->windowTitle();
        ASSERT_TRUE(shown->selectFolder(folder));
        shown->okButton()->click();
    });
    EXPECT_EQ(dialog.choose("File Directory"), folder);
    EXPECT_EQ(caption, "File Directory");
    EXPECT_EQ(dialog.chosenFolder(), folder);
}

TEST(FolderDialog, CancelReturnsNothingEvenWithAFolderSelected)
{
    OutputFolderDialog dialog;
    whenModal<OutputFolderDialog>([](OutputFolderDialog* shown) {
        EXPECT_FALSE(shown->selectedFolder().isEmpty()); // the home folder at first
        shown->cancelButton()->click();
    });
    EXPECT_EQ(dialog.choose("Output Directory"), QString());
}

TEST(FolderDialog, OkWithoutASelectedFolderKeepsTheDialogOpen)
{
    OutputFolderDialog dialog;
    bool stayedOpen = false;
    whenModal<OutputFolderDialog>([&](OutputFolderDialog* shown) {
        shown->folderTree()->clearSelection();
        shown->okButton()->click();
        stayedOpen = shown->isVisible();
        shown->cancelButton()->click();
    });
    EXPECT_EQ(dialog.choose("Select DVD Directory"), QString());
    EXPECT_TRUE(stayedOpen);
}

TEST(FolderDialog, RootFolderKeepsItsSeparatorAndFilesAreNoFolders)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath("clip.avi"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    OutputFolderDialog dialog;
    EXPECT_FALSE(dialog.selectFolder(file.fileName()));
    EXPECT_FALSE(dialog.selectFolder(dir.filePath("missing")));
    ASSERT_TRUE(dialog.selectFolder(dir.path()));
    EXPECT_FALSE(dialog.selectedFolder().endsWith('/'));
}

// ---- SettingsDialog ----

struct FinishChoice {
    int start;
    int choose; // position clicked, -1 for none
    bool ok;
    int expected;
};

class SettingsDialogTest : public ::testing::TestWithParam<FinishChoice>
{
};

TEST_P(SettingsDialogTest, OkStoresTheChoiceCancelChangesNothing)
{
    const FinishChoice c = GetParam();
    SettingsDialog dialog;
    int shownPosition = -2;
    QStringList shownPicture;
    whenModal<SettingsDialog>([&](SettingsDialog* shown) {
        shownPosition = shown->selectedPosition();
        if (c.choose >= 0) {
            auto buttons = shown->finishGroup()->findChildren<QRadioButton*>();
            buttons.at(c.choose)->click();
        }
        // The picture's choices go the same way as the finish action.
        shownPicture = {shown->deinterlaceBox()->currentText(),
                        shown->frameRateBox()->currentText(), shown->cropBox()->currentText()};
        shown->deinterlaceBox()->setCurrentIndex(2);
        shown->frameRateBox()->setCurrentIndex(0);
        shown->cropBox()->setCurrentIndex(1);
        (c.ok ? shown->okButton() : shown->cancelButton())->click();
    });
    int finishAction = c.start;
    int conversions = 1;
    PictureHandling picture;
    picture.frameRateAsSource = true;
    EXPECT_EQ(dialog.edit(finishAction, conversions, picture), c.ok);
    EXPECT_EQ(finishAction, c.expected);
    EXPECT_EQ(shownPicture, QStringList({"automatic", "as the source", "off"}));
    EXPECT_EQ(picture.deinterlace,
              c.ok ? PictureHandling::Deinterlace::Never : PictureHandling::Deinterlace::Automatic);
    EXPECT_EQ(picture.frameRateAsSource, !c.ok);
    EXPECT_EQ(picture.cropBars, c.ok);
    EXPECT_EQ(shownPosition, c.start >= 0 && c.start <= 2 ? c.start : -1);
}

INSTANTIATE_TEST_SUITE_P(Choices, SettingsDialogTest,
                         ::testing::Values(FinishChoice{0, 2, false, 0}, // shutdown, then Cancel
                                           FinishChoice{1, 2, true, 2}, FinishChoice{2, 0, true, 0},
                                           FinishChoice{1, -1, true, 1},
                                           // A stored value outside the group stays unless
                                           // the user picks an entry.
                                           FinishChoice{7, -1, true, 7},
                                           FinishChoice{7, 1, true, 1}));

TEST(SettingsDialogTexts, GroupAndEntries)
{
    SettingsDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Settings");
    EXPECT_EQ(dialog.finishGroup()->objectName(), "rg_finish");
    EXPECT_EQ(dialog.finishGroup()->title(), "Settings");
    QStringList texts;
    for (auto* button : dialog.finishGroup()->findChildren<QRadioButton*>())
        texts << button->text();
    EXPECT_EQ(texts, QStringList({"Do nothing after converting finished",
                                  "Open the target folder after converting finished",
                                  "Automatically shutdown after converting finished"}));
    EXPECT_EQ(dialog.okButton()->text(), "OK");
    EXPECT_EQ(dialog.cancelButton()->text(), "Cancel");
}

// ---- AboutBox ----

TEST(AboutBox, ControlsTextsAndPlaces)
{
    RecordingShell shell;
    AboutBox about(Edition("Sample.exe", "/opt/sample/"), shell);
    about.show();
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(about.size(), QSize(293, 208));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_EQ(about.titleLabel()->text(), "Sample");
    EXPECT_TRUE(about.titleLabel()->font().bold());
    EXPECT_EQ(about.titleLabel()->pos(), QPoint(84, 29));
    EXPECT_EQ(about.logo()->geometry(), QRect(26, 20, 36, 36));
    EXPECT_EQ(about.webLink()->text(), "Visit our web");
    EXPECT_EQ(about.webLink()->pos(), QPoint(187, 125));
    EXPECT_EQ(about.webLink()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(about.separator()->geometry(), QRect(14, 150, 270, 2));
    EXPECT_EQ(about.contactButton()->text(), "Contact us ");
    EXPECT_EQ(about.contactButton()->geometry(), QRect(41, 165, 75, 25));
    EXPECT_EQ(about.closeButton()->text(), "Close");
    EXPECT_EQ(about.closeButton()->geometry(), QRect(180, 165, 75, 25));
}

TEST(AboutBox, LinkTurnsRedUnderThePointerAndOpensTheSite)
{
    RecordingShell shell;
    AboutBox about(Edition("Sample.exe", "/opt/sample/"), shell);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QLabel* link = about.webLink();
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(link, &enter);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::red));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(link, &leave);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::blue));

    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    EXPECT_EQ(shell.openedUrls, QStringList({"file:///opt/sample/help/readme.html"}));
}

TEST(AboutBox, ContactButtonOpensWhereToReportProblems)
{
    for (const QString name : {"Sample.exe", "KAVRI-video.exe", "conv-kavri"}) {
        RecordingShell shell;
        AboutBox about(Edition(name, "/opt/x/"), shell);
        about.contactButton()->click();
        EXPECT_EQ(shell.openedUrls, QStringList({"file:///opt/x/help/index.html#contact"}))
            << name.toStdString();
    }
}

TEST(AboutBox, OpensOffsetFromTheMainWindowAndCloses)
{
    RecordingShell shell;
    QWidget mainWindow;
    mainWindow.resize(760, 530);
    mainWindow.move(50, 40);
    mainWindow.show();
    QPoint shownAt;
    whenModal<AboutBox>([&](AboutBox* about) {
        shownAt = about->pos();
        EXPECT_EQ(about->titleLabel()->text(), "transcast-mp4");
        about->closeButton()->click();
    });
    HelpCommands(Edition("transcast-mp4", "/opt/x")).showAbout(shell, &mainWindow);
    EXPECT_EQ(shownAt, mainWindow.pos() + QPoint(160, 100));
    EXPECT_TRUE(shell.openedUrls.isEmpty());
}

} // namespace
