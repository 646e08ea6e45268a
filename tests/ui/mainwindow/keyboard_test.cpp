#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTimer>
#include <QUrl>

#include "ui/joblistmodel.h"
#include "ui/keyboardshortcuts.h"
#include "ui/navigation/navigation.h"
#include "ui/settingsdialog.h"
#include "windowfixture.h"

using namespace transcast;

namespace
{

class Keyboard : public WindowFixture
{
protected:
    void press(const QKeySequence& keys)
    {
        // A dialog or menu that just closed may have left no window active.
        if (!window->isActiveWindow()) {
            window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        }
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QTest::keySequence(target, keys);
    }
    void press(const char* keys) { press(QKeySequence(QLatin1String(keys))); }
};

} // namespace

TEST_F(Keyboard, ShortcutsRunTheClickDispatchGuardsIncluded)
{
    openActive();
    // Idle: the keys open what the buttons open.
    press("Ctrl+O");
    EXPECT_EQ(interaction.fileFilters.size(), 1);
    press("Ctrl+Shift+O");
    EXPECT_EQ(interaction.folderCaptions, QStringList({"File Directory"}));

    // Playing: the same refusals as the clicks, in the same order.
    state().Playing = true;
    press("Del");
    press("Ctrl+Shift+Del");
    press("Ctrl+Return");
    EXPECT_EQ(interaction.warnings, QStringList(3, QStringLiteral("Please first stop play!")));

    state().Playing = false;
    state().Converting = true;
    interaction.warnings.clear();
    press("Ctrl+O");
    press("Ctrl+Shift+O");
    press("Ctrl+P");
    EXPECT_EQ(interaction.warnings, QStringList(3, QStringLiteral("Please first stop convert!")));
    EXPECT_EQ(interaction.fileFilters.size(), 1);

    // Quitting goes through the close query.
    press("Ctrl+Q");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(interaction.informations, QStringList({"Please first stop converting!"}));

    // Escape stops the batch; idle it does nothing.
    press("Esc");
    EXPECT_FALSE(state().Converting);
    press("Esc");
    EXPECT_TRUE(interaction.warnings.size() == 3 && interaction.informations.size() == 1);
}

TEST_F(Keyboard, TheSettingsHelpAndMenusAnswerTheirKeys)
{
    openActive();
    bool settingsShown = false;
    QTimer::singleShot(50, [&] {
        settingsShown = window->settingsDialog()->isVisible();
        window->settingsDialog()->reject();
    });
    press("Ctrl+,");
    EXPECT_TRUE(settingsShown);

    press("F1");
    ASSERT_EQ(shell.openedUrls.size(), 1);
    EXPECT_TRUE(shell.openedUrls.first().endsWith(QStringLiteral("index.html")))
        << shell.openedUrls.first().toStdString();

    press("Alt+F");
    EXPECT_TRUE(window->fileMenu()->isVisible());
    window->fileMenu()->close();
    press("Alt+H");
    EXPECT_TRUE(window->helpMenu()->isVisible());
    window->helpMenu()->close();

    // Escape closes an open profile picker before anything else.
    window->dispatch(QStringLiteral("profiles"));
    ASSERT_TRUE(window->navigation().isShown(QStringLiteral("pl_main")));
    state().Converting = true;
    press("Esc");
    EXPECT_FALSE(window->navigation().isShown(QStringLiteral("pl_main")));
    EXPECT_TRUE(state().Converting);
}

TEST_F(Keyboard, MenusShowTheKeysAndMnemonics)
{
    open();
    QMap<QString, QString> shown;
    for (QMenu* menu : {window->fileMenu(), window->helpMenu()}) {
        for (QAction* action : menu->actions())
            shown.insert(action->text(), action->shortcut().toString(QKeySequence::PortableText));
    }
    EXPECT_EQ(shown.value("&Add Files"), "Ctrl+O");
    EXPECT_EQ(shown.value("Add F&older"), "Ctrl+Shift+O");
    EXPECT_EQ(shown.value("&Remove"), "Del");
    EXPECT_EQ(shown.value("C&lear"), "Ctrl+Shift+Del");
    EXPECT_EQ(shown.value("&Convert"), "Ctrl+Return");
    EXPECT_EQ(shown.value("E&xit"), "Ctrl+Q");
    EXPECT_EQ(shown.value("&Help"), "F1");
    // Every item of every menu has a mnemonic, none used twice in a menu.
    for (QMenu* menu : {window->fileMenu(), window->dvdMenu(), window->helpMenu()}) {
        QSet<QChar> letters;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            const qsizetype amp = action->text().indexOf(QLatin1Char('&'));
            ASSERT_GE(amp, 0) << action->text().toStdString();
            const QChar letter = action->text().at(amp + 1).toLower();
            EXPECT_FALSE(letters.contains(letter)) << action->text().toStdString();
            letters.insert(letter);
        }
    }
    // The file menu's keys belong to the DVD menu in the DVD edition.
    open(QStringLiteral("transcast-dvd"));
    EXPECT_TRUE(window->fileMenu()->actions().first()->shortcut().isEmpty());
    EXPECT_EQ(window->dvdMenu()->actions().first()->shortcut(), QKeySequence("Ctrl+O"));
}

TEST_F(Keyboard, DvdEditionKeysReachTheDiscActionsWithTheirGuards)
{
    openActive(QStringLiteral("transcast-dvd"));
    state().Converting = true;
    state().Playing = true;
    press("Ctrl+O");
    press("Ctrl+Shift+O");
    // Reading a disc tests Converting first.
    EXPECT_EQ(interaction.warnings, QStringList(2, QStringLiteral("Please first stop convert!")));
}

TEST_F(Keyboard, TabWalksListProfileOptionsAndOutput)
{
    struct Case {
        const char* edition;
        QStringList order;
    };
    const Case cases[] = {
        {"transcast-mp4",
         {"profiles", "cb_channel", "cb_size", "cb_videobitrate", "cb_audiobitrate", "ed_output"}},
        // An edition without a format of its own has no direction to
        // choose: its box is disabled and Tab passes it by.
        {"transcast", {"profiles", "cb_size", "cb_videobitrate", "cb_audiobitrate", "ed_output"}},
        // Before a disc is read the track boxes offer nothing: disabled too.
        {"transcast-dvd",
         {"profiles", "cb_size", "cb_videobitrate", "cb_audiobitrate", "ed_output"}},
        {"transcast-dvd-mp4",
         {"profiles", "cb_size", "cb_videobitrate", "cb_audiobitrate", "cb_channel", "ed_output"}},
    };
    for (const Case& c : cases) {
        openActive(QString::fromLatin1(c.edition));
        // The list takes part once it shows rows, and Tab leaves it rather
        // than walking its cells.
        for (const char* caption : {"one", "two"}) {
            transcast::JobRow row;
            row.caption = QLatin1String(caption);
            window->controller().jobs().appendRow(row);
        }
        window->controller().jobs().setVisible(true);
        window->jobList()->setFocus();
        window->jobList()->setCurrentIndex(window->jobListModel()->index(0, 0));
        QStringList walked;
        for (int i = 0; i < c.order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << QApplication::focusWidget()->objectName();
        }
        EXPECT_EQ(walked.join(' ').toStdString(), c.order.join(' ').toStdString()) << c.edition;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), window->jobList()) << c.edition;
    }
}

TEST_F(Keyboard, DeleteInTheOutputBoxEditsTheText)
{
    openActive();
    state().Playing = true;
    window->outputFolderEdit()->setFocus();
    window->outputFolderEdit()->setText(QStringLiteral("/tmp/x"));
    window->outputFolderEdit()->setCursorPosition(0);
    press("Del");
    EXPECT_EQ(window->outputFolderEdit()->text(), QStringLiteral("tmp/x"));
    EXPECT_TRUE(interaction.warnings.isEmpty());
}
