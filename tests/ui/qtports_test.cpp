#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include "support/scriptedinteraction.h"
#include "ui/qtinteraction.h"
#include "ui/qtshell.h"
#include "ui_modalscript.h"

using namespace transcast;

namespace
{

// ---- filters ----

struct FilterCase {
    const char* windows;
    const char* qt;
};

class FilterConversion : public ::testing::TestWithParam<FilterCase>
{
};

TEST_P(FilterConversion, WindowsSyntaxBecomesQtSyntax)
{
    EXPECT_EQ(QtInteraction::qtFilter(GetParam().windows), QString(GetParam().qt));
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FilterConversion,
    ::testing::Values(
        FilterCase{"", ""},
        // The edition filters: a label's own pattern list is not repeated,
        // and where it is incomplete the real patterns replace it.
        FilterCase{"AVI files (*.avi)|*.avi", "AVI files (*.avi)"},
        FilterCase{"3GP files (*.3gp)|*.3gp;*.3gp2;*.3g2", "3GP files (*.3gp *.3gp2 *.3g2)"},
        FilterCase{"WMV files(*.wmv)|*.wmv", "WMV files (*.wmv)"},
        FilterCase{"MPEG files|*.mpeg;*.mpg;*.vob;", "MPEG files (*.mpeg *.mpg *.vob)"},
        FilterCase{"GPhone Video Files|*.3gp;*.mp4;", "GPhone Video Files (*.3gp *.mp4)"},
        FilterCase{"IFO Files(*.ifo)|*.ifo;", "IFO Files (*.ifo)"},
        FilterCase{"Video|*.avi;*.mp4|All files (*.*)|*.*", "Video (*.avi *.mp4);;All files (*)"},
        // Parentheses that hold no patterns belong to the label.
        FilterCase{"Clips (short)|*.mov", "Clips (short) (*.mov)"},
        FilterCase{"Lonely label", "Lonely label (*)"}));

TEST(QtInteractionText, CarriageReturnsStartNewLines)
{
    EXPECT_EQ(QtInteraction::displayText("one\rtwo"), "one\ntwo");
    EXPECT_EQ(QtInteraction::displayText("one\r\ntwo\r"), "one\ntwo\n");
    EXPECT_EQ(QtInteraction::displayText("plain"), "plain");
}

// ---- message boxes ----

struct ShownBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

class MessageBoxes : public ::testing::Test
{
protected:
    // Answers the next box and records what it showed.
    void answerNext(QMessageBox::StandardButton answer)
    {
        whenModal<QMessageBox>([this, answer](QMessageBox* box) {
            m_shown = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                       box->standardButton(box->defaultButton())};
            box->button(answer)->click();
        });
    }

    QWidget m_window;
    QtInteraction m_interaction{&m_window};
    ShownBox m_shown;
};

TEST_F(MessageBoxes, WarningsReportsAndErrorsHaveOneOkButton)
{
    answerNext(QMessageBox::Ok);
    m_interaction.warn("Please first stop play!");
    EXPECT_EQ(m_shown.text, "Please first stop play!");
    EXPECT_EQ(m_shown.icon, QMessageBox::Warning);
    EXPECT_EQ(m_shown.buttons, QMessageBox::Ok);

    answerNext(QMessageBox::Ok);
    m_interaction.inform("Can't find DVD disc.");
    EXPECT_EQ(m_shown.text, "Can't find DVD disc.");
    EXPECT_EQ(m_shown.icon, QMessageBox::Information);
    EXPECT_EQ(m_shown.buttons, QMessageBox::Ok);

    answerNext(QMessageBox::Ok);
    m_interaction.error("first line\rsecond line");
    EXPECT_EQ(m_shown.text, "first line\nsecond line");
    EXPECT_EQ(m_shown.icon, QMessageBox::Critical);
}

TEST_F(MessageBoxes, ConfirmationIsAYesNoQuestion)
{
    answerNext(QMessageBox::Yes);
    EXPECT_TRUE(m_interaction.confirm("Are you sure to clear the list?"));
    EXPECT_EQ(m_shown.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(m_shown.icon, QMessageBox::Question);

    EXPECT_EQ(m_shown.defaultButton, QMessageBox::No);

    answerNext(QMessageBox::No);
    EXPECT_FALSE(m_interaction.confirm("Really?", Interaction::QuestionKind::Information));
    EXPECT_EQ(m_shown.icon, QMessageBox::Information);

    // Enter answers Yes where that is the safe answer.
    whenModal<QMessageBox>([this](QMessageBox* box) {
        m_shown.defaultButton = box->standardButton(box->defaultButton());
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_TRUE(m_interaction.confirm("Restore the list?", Interaction::QuestionKind::Confirmation,
                                      Interaction::DefaultAnswer::Yes));
    EXPECT_EQ(m_shown.defaultButton, QMessageBox::Yes);
}

// ---- file and folder choices ----

TEST(QtInteractionDialogs, ChooseFilesUsesTheConvertedFilterAndReturnsThePaths)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"a.avi", "b.avi"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QtInteraction interaction;
    QStringList filters;
    bool hidden = false;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        hidden = dialog->filter().testFlag(QDir::Hidden);
        dialog->setDirectory(dir.path());
        // Typed as the user types them: selectFile() leaves the name box
        // alone while it has the focus.
        auto* names = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(names, nullptr);
        names->setText("\"a.avi\" \"b.avi\"");
        // accept() checks the chosen files as the Open button does.
        QMetaObject::invokeMethod(dialog, "accept");
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the open dialog did not take the files";
            dialog->reject();
        }
    });
    const QStringList files = interaction.chooseFiles("AVI files (*.avi)|*.avi", true);
    EXPECT_EQ(filters, QStringList({"AVI files (*.avi)"}));
    EXPECT_TRUE(hidden);
    QStringList names;
    for (const QString& file : files)
        names << QFileInfo(file).fileName();
    names.sort();
    EXPECT_EQ(names, QStringList({"a.avi", "b.avi"}));

    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        hidden = dialog->filter().testFlag(QDir::Hidden);
        dialog->reject();
    });
    EXPECT_TRUE(interaction.chooseFiles(QString(), false).isEmpty());
    EXPECT_FALSE(hidden);
}

TEST(QtInteractionDialogs, FolderDialogsAreTheDesktopsAndOpenWhereTheUserLeftThem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("films"));
    const QString films = QDir(dir.filePath("films")).absolutePath();
    QtInteraction interaction;
    struct Seen {
        QString caption, folder;
        bool foldersOnly = false;
    } seen;
    auto answer = [&seen](const QString& chosen) {
        whenModal<QFileDialog>([&seen, chosen](QFileDialog* dialog) {
            seen = {dialog->windowTitle(), QDir(dialog->directory()).absolutePath(),
                    dialog->fileMode() == QFileDialog::Directory &&
                        dialog->testOption(QFileDialog::ShowDirsOnly)};
            if (chosen.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->setDirectory(chosen);
            QMetaObject::invokeMethod(dialog, "accept");
        });
    };
    // The first time in the home folder; the chosen folder comes back
    // without a trailing separator.
    answer(films);
    EXPECT_EQ(interaction.chooseFolder("File Directory"), films);
    EXPECT_EQ(seen.caption, "File Directory");
    EXPECT_TRUE(seen.foldersOnly);
    EXPECT_EQ(seen.folder, QDir::homePath());
    // Next time where it was left; cancelling gives nothing.
    answer(QString());
    EXPECT_EQ(interaction.chooseFolder("File Directory"), QString());
    EXPECT_EQ(seen.folder, films);
    // Another dialog keeps its own place, or opens where the caller says.
    answer(QString());
    interaction.chooseFolderOrImage("Select DVD Directory", {"*.iso"});
    EXPECT_EQ(seen.folder, QDir::homePath());
    EXPECT_TRUE(seen.foldersOnly);
    answer(QString());
    interaction.chooseFolderIn("Output Directory", dir.path());
    EXPECT_EQ(seen.folder, QDir(dir.path()).absolutePath());

    // The open dialog for files remembers the folder of the files chosen.
    QFile clip(QDir(films).filePath("a.avi"));
    ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
    clip.close();
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        dialog->setDirectory(films);
        // Typed, as above: selectFile() loses to a name box that has the
        // focus, and the dialog would then wait for a user forever.
        auto* names = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(names, nullptr);
        names->setText("a.avi");
        QMetaObject::invokeMethod(dialog, "accept");
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the open dialog did not take the file";
            dialog->reject();
        }
    });
    ASSERT_EQ(interaction.chooseFiles("AVI files (*.avi)|*.avi", false).size(), 1);
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        seen.folder = QDir(dialog->directory()).absolutePath();
        dialog->reject();
    });
    interaction.chooseFiles("AVI files (*.avi)|*.avi", false);
    EXPECT_EQ(seen.folder, films);
}

// ---- shell ----

// Takes the URLs QDesktopServices would hand to the desktop.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST(QtShellTest, FoldersAndAddressesGoThroughTheDesktopServices)
{
    UrlCatcher catcher;
    for (const char* scheme : {"https", "file"})
        QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    QtShell shell;
    shell.openUrl("https://transcast.example.org/contact.php");
    shell.openFolder("/tmp/My Video");
    for (const char* scheme : {"https", "file"})
        QDesktopServices::unsetUrlHandler(scheme);
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls.at(0), QUrl("https://transcast.example.org/contact.php"));
    EXPECT_EQ(catcher.urls.at(1), QUrl::fromLocalFile("/tmp/My Video"));
}

TEST(QtShellTest, ShutdownRunsItsCommandDetached)
{
    QtShell shell;
    EXPECT_EQ(shell.shutdownProgram(), "systemctl");
    EXPECT_EQ(shell.shutdownArguments(), QStringList({"poweroff"}));

    // Never the real thing here: a command that leaves a mark.
    QTemporaryDir dir;
    const QString mark = dir.filePath("shut");
    shell.setShutdownCommand("sh", {"-c", "echo down > \"$0\"", mark});
    shell.shutDown();
    EXPECT_TRUE(processEventsUntil([&] { return QFile::exists(mark); }));
}

TEST(QtShellTest, ShutdownThatCannotStartIsReported)
{
    ScriptedInteraction errors;
    QtShell shell(&errors);
    shell.setShutdownCommand("/nonexistent/transcast-poweroff", {});
    shell.shutDown();
    ASSERT_EQ(errors.errors.size(), 1);
    EXPECT_TRUE(errors.errors.first().contains("/nonexistent/transcast-poweroff"));
}

} // namespace

#include "qtports_test.moc"
